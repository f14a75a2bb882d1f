// A whole transfer without a window: a fresh embedded database, the session's
// five database objects over the real driver and store plugins, and a view that
// logs every state it is asked to show.
#pragma once

#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/sqlstatement.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfer.h"
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace didu::test {

/// Every state shown ("show position/maximum") and every message, in order.
class LoggingView : public TransferView {
public:
    void showProgress(const Progress& progress) override
    {
        calls.push_back("show " + std::to_string(progress.position()) + "/" + std::to_string(progress.maximum()));
    }
    void showInformation(const std::string& message) override
    {
        calls.push_back("info");
        messages.push_back(message);
    }

    std::vector<std::string> calls;
    std::vector<std::string> messages;
};

/// What a run over `count` customers shows, starting with the bar at `from`
/// (the last is the completion message).
inline std::vector<std::string> progressCalls(int count, int from = 0)
{
    int position = std::min(from, count);
    auto shown = [&] { return "show " + std::to_string(position) + "/" + std::to_string(count); };
    std::vector<std::string> calls{shown()};
    for (int i = 0; i < count; ++i) {
        position = std::min(position + 1, count);
        calls.push_back(shown());
    }
    calls.push_back("info");
    return calls;
}

/// `piece` `times` over.
inline std::string repeat(const std::string& piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
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
        session = std::make_unique<TransferSession>();
        connection = &session->SQLConnection1();
        query = &session->SQLQuery1();
        customers = &session->ClientDataSet1();
    }

    void TearDown() override
    {
        session.reset();
        db.reset();
    }

    void run() { session->run(view, clock.clock()); }

    std::vector<Row> members() { return db->query(std::string("SELECT ") + kMemberColumns + " FROM MEMBER ORDER BY MEMBER_ID"); }

    void addCustomer(const std::vector<Value>& values)
    {
        db->execute("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME, TEL_1, BUSINESS_ADD, MAIL_NUM, SALES_ID)"
                    " VALUES (?, ?, ?, ?, ?, ?)",
                    values);
    }

    std::unique_ptr<TempDatabase> db;
    std::unique_ptr<TransferSession> session;
    SQLConnection* connection = nullptr;
    SQLQuery* query = nullptr;
    ClientDataSet* customers = nullptr;
    LoggingView view;
    ScriptedClock clock;
};

} // namespace didu::test
