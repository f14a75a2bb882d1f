// The window's customer chain over the recording driver: SQLConnection1,
// SQLDataSet1, DataSetProvider1 and ClientDataSet1, made in the window's order
// and destroyed in reverse.
#pragma once

#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "tests/support/recording/recordingsetup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace didu::test {

inline const std::string CustomerQuery = "select * from CUSTOMER ";

/// Index listing rows: {index name, column, type bits, "A"/"D"}.
inline recording::Rows indexRows(const std::vector<std::vector<std::string>>& rows)
{
    recording::Rows listing{recording::indexColumns(), {}};
    for (const auto& row : rows)
        listing.rows.push_back({row[0], row[1], row[2], row[3]});
    return listing;
}

/// Text columns named `names`, with `rows` of values (nullopt: NULL).
inline recording::Rows textRows(const std::vector<std::string>& names,
                                const std::vector<std::vector<recording::Value>>& rows)
{
    recording::Rows result;
    for (const auto& name : names)
        result.columns.push_back({name, dbx::FieldZString, 0, 0});
    result.rows = rows;
    return result;
}

class RecordedChain : public ::testing::Test {
protected:
    void SetUp() override { makeChain(recording::referenceParams()); }

    /// Rebuilds the chain over configuration files holding `params`.
    void makeChain(const std::vector<std::string>& params)
    {
        clientDataSet.reset();
        provider.reset();
        dataSet.reset();
        connection.reset();
        // The old folder goes first: it gives back the user setting it replaced.
        config.reset();
        config = recording::useRecordingDriver();
        config->writeConnections(params);
        connection = std::make_unique<SQLConnection>();
        dataSet = std::make_unique<SQLDataSet>(connection.get());
        provider = std::make_unique<DataSetProvider>(dataSet.get());
        clientDataSet = std::make_unique<ClientDataSet>(provider.get());
    }

    void TearDown() override
    {
        clientDataSet.reset();
        provider.reset();
        dataSet.reset();
        connection.reset();
        config.reset();
    }

    recording::Control& driver() { return recording::control(); }

    /// Opens with the transfer's text and gives every CUST_ID in held order.
    std::vector<std::string> openAndReadIds(const std::string& column = "CUST_ID")
    {
        clientDataSet->close();
        clientDataSet->setCommandText(CustomerQuery);
        clientDataSet->open();
        std::vector<std::string> ids;
        for (; !clientDataSet->eof(); clientDataSet->next())
            ids.push_back(clientDataSet->valueAsText(column));
        return ids;
    }

    std::unique_ptr<recording::ConfigFolder> config;
    std::unique_ptr<SQLConnection> connection;
    std::unique_ptr<SQLDataSet> dataSet;
    std::unique_ptr<DataSetProvider> provider;
    std::unique_ptr<ClientDataSet> clientDataSet;
};

} // namespace didu::test
