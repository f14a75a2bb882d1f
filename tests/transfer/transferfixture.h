// A whole transfer without a window: a fresh embedded database, the window's five
// database objects made in the window's order over the real driver and store
// plugins, and a view that keeps the progress bar's rules and logs every call.
#pragma once

#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "db/statements/sqlstatement.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfer.h"
#include "transfer/transferview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace didu::test {

/// The progress bar's rules (position held within 0..maximum), every call logged.
class LoggingView : public TransferView {
public:
    void setProgressMaximum(std::int32_t maximum) override
    {
        calls.push_back("max " + std::to_string(maximum));
        m_maximum = std::max(maximum, 0);
        m_position = std::min(m_position, m_maximum);
    }
    std::int32_t progressPosition() const override
    {
        calls.push_back("get " + std::to_string(m_position));
        return m_position;
    }
    void setProgressPosition(std::int32_t position) override
    {
        m_position = std::clamp(position, 0, m_maximum);
        calls.push_back("set " + std::to_string(position) + " -> " + std::to_string(m_position));
    }
    void showInformation(const std::string& message) override
    {
        calls.push_back("info");
        messages.push_back(message);
    }

    std::int32_t position() const { return m_position; }

    mutable std::vector<std::string> calls;
    std::vector<std::string> messages;

private:
    std::int32_t m_maximum = 0;
    std::int32_t m_position = 0;
};

/// The calls of a run over `count` customers starting with the bar at `from`
/// within a maximum of `count` (the last is the completion message).
inline std::vector<std::string> progressCalls(int count, int from = 0)
{
    std::vector<std::string> calls{"max " + std::to_string(count)};
    int position = std::min(from, count);
    for (int i = 0; i < count; ++i) {
        calls.push_back("get " + std::to_string(position));
        const int next = std::min(position + 1, count);
        calls.push_back("set " + std::to_string(position + 1) + " -> " + std::to_string(next));
        position = next;
    }
    calls.push_back("info");
    return calls;
}

/// A clock that answers the given times in turn and counts its reads.
struct ScriptedClock {
    std::vector<TimeOfDay> times;
    std::size_t reads = 0;

    Clock clock()
    {
        return [this] {
            const TimeOfDay time = times.empty() ? TimeOfDay{12, 0, 0, 0} : times[std::min(reads, times.size() - 1)];
            ++reads;
            return time;
        };
    }
};

inline const char* const kMemberColumns =
    "MEMBER_ID, MEMBER_NAME, MEMBER_PHONE, MEMBER_ADD, TOTAL_AMT, CARD_ID, DISABLE_FLAG, MAIL_NUM, TAX_CODE,"
    " MAN_SALE, CHG_TIME, INVOICE_CLASS, UPPER_AMT, SHET_YN, SALES_ID";

inline const char* const kMemberTable =
    "CREATE TABLE MEMBER ("
    " MEMBER_ID VARCHAR(20) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20), MEMBER_PHONE VARCHAR(20),"
    " MEMBER_ADD VARCHAR(60), TOTAL_AMT NUMERIC(12,2), CARD_ID VARCHAR(20), DISABLE_FLAG VARCHAR(5),"
    " MAIL_NUM VARCHAR(5), TAX_CODE CHAR(1), MAN_SALE CHAR(1), CHG_TIME VARCHAR(8), INVOICE_CLASS CHAR(1),"
    " UPPER_AMT NUMERIC(12,2), SHET_YN CHAR(1), SALES_ID VARCHAR(10));";

inline const char* const kCustomerTable =
    "CREATE TABLE CUSTOMER ("
    " CUST_ID VARCHAR(20) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40), TEL_1 VARCHAR(20), TEL_2 VARCHAR(20),"
    " BUSINESS_ADD VARCHAR(60), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10), CREDIT NUMERIC(12,2));";

/// The member row the transfer writes for these customer values.
inline Row memberRow(const std::string& id, const std::string& name, const std::string& phone,
                     const std::string& address, const std::string& mail, const std::string& sales,
                     const std::string& time)
{
    return {id, name, phone, address, std::string("0.00"), id, std::string("False"), mail, std::string("Y"),
            std::string("N"), time, std::string("0"), std::string("0.00"), std::string("N"), sales};
}

class TransferRun : public ::testing::Test {
protected:
    /// Sets up the database with `schema`, then the window's objects over it.
    void open(const std::string& schema)
    {
        db = std::make_unique<TempDatabase>(schema);
        // Made after the fixture: the connection locates its files when created.
        connection = std::make_unique<SQLConnection>();
        query = std::make_unique<SQLQuery>(connection.get());
        dataSet = std::make_unique<SQLDataSet>(connection.get());
        provider = std::make_unique<DataSetProvider>(dataSet.get());
        customers = std::make_unique<ClientDataSet>(provider.get());
    }

    void TearDown() override
    {
        customers.reset();
        provider.reset();
        dataSet.reset();
        query.reset();
        connection.reset();
        db.reset();
    }

    void run() { Transfer(*customers, *query, view, clock.clock()).run(); }

    std::vector<Row> members() { return db->query(std::string("SELECT ") + kMemberColumns + " FROM MEMBER ORDER BY MEMBER_ID"); }

    void addCustomer(const std::vector<Value>& values)
    {
        db->execute("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME, TEL_1, BUSINESS_ADD, MAIL_NUM, SALES_ID)"
                    " VALUES (?, ?, ?, ?, ?, ?)",
                    values);
    }

    std::unique_ptr<TempDatabase> db;
    std::unique_ptr<SQLConnection> connection;
    std::unique_ptr<SQLQuery> query;
    std::unique_ptr<SQLDataSet> dataSet;
    std::unique_ptr<DataSetProvider> provider;
    std::unique_ptr<ClientDataSet> customers;
    LoggingView view;
    ScriptedClock clock;
};

} // namespace didu::test
