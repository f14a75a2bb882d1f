// The window's five database objects and the transfer, without the window, for
// runs inside a test. Made after the database fixture, so the connection finds
// the fixture's configuration files.
#pragma once

#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "db/statements/sqlstatement.h"
#include "transfer/transfer.h"
#include "transfer/transferview.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace didu::test {

/// The bar's rules without a bar, and the messages shown.
class RecordingView : public TransferView {
public:
    void setProgressMaximum(std::int32_t maximum) override
    {
        m_maximum = std::max(maximum, 0);
        m_position = std::min(m_position, m_maximum);
    }
    std::int32_t progressPosition() const override { return m_position; }
    void setProgressPosition(std::int32_t position) override { m_position = std::clamp(position, 0, m_maximum); }
    void showInformation(const std::string& message) override { messages.push_back(message); }

    std::vector<std::string> messages;

private:
    std::int32_t m_maximum = 100;
    std::int32_t m_position = 0;
};

struct TransferRig {
    TransferRig()
        : connection(std::make_unique<SQLConnection>("SQLConnection1")),
          query(std::make_unique<SQLQuery>(connection.get(), "SQLQuery1")),
          dataSet(std::make_unique<SQLDataSet>(connection.get(), "SQLDataSet1")),
          provider(std::make_unique<DataSetProvider>(dataSet.get(), "DataSetProvider1")),
          customers(std::make_unique<ClientDataSet>(provider.get(), "ClientDataSet1")),
          transfer(*customers, *query, view)
    {
    }
    ~TransferRig()
    {
        // The reverse of the window's order of definition.
        customers.reset();
        provider.reset();
        dataSet.reset();
        query.reset();
        connection.reset();
    }

    /// One run; the error text it ended with, or nullopt when it completed.
    std::optional<std::string> run()
    {
        try {
            transfer.run();
        } catch (const std::exception& error) {
            return std::string(error.what());
        }
        return std::nullopt;
    }

    std::unique_ptr<SQLConnection> connection;
    std::unique_ptr<SQLQuery> query;
    std::unique_ptr<SQLDataSet> dataSet;
    std::unique_ptr<DataSetProvider> provider;
    std::unique_ptr<ClientDataSet> customers;
    RecordingView view;
    Transfer transfer;
};

} // namespace didu::test
