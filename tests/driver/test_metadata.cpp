// The metadata object: the index listing read from the system tables, the quote
// character, and the connection's name splitting and statement limit.
#include "drivers/interbase/objectnames.h"
#include "tests/driver/driversession.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace didu::test;

const char customerTables[] =
    "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL, BRANCH SMALLINT NOT NULL, TEL_1 VARCHAR(20),"
    " CUST_NAME VARCHAR(40), CONSTRAINT PK_CUSTOMER PRIMARY KEY (BRANCH, CUST_ID));"
    "CREATE UNIQUE INDEX UQ_CUSTOMER_TEL ON CUSTOMER (TEL_1);"
    "CREATE DESCENDING INDEX IX_CUSTOMER_NAME ON CUSTOMER (CUST_NAME, TEL_1);"
    "CREATE INDEX IX_CUSTOMER_OFF ON CUSTOMER (TEL_1);"
    "ALTER INDEX IX_CUSTOMER_OFF INACTIVE;"
    "CREATE INDEX IX_CUSTOMER_EXPR ON CUSTOMER COMPUTED BY (UPPER(CUST_NAME));"
    "CREATE TABLE \"Mixed\" (\"id\" INTEGER NOT NULL PRIMARY KEY)";

/// The named columns of every row of an index listing.
std::vector<Row> listIndices(DriverSession& s, const char* table, std::uint32_t type = 0)
{
    Ref<dbx::ISQLMetaData> meta;
    check(s.connection()->getSQLMetaData(meta.out()), s.connection());
    Ref<dbx::ISQLCursor> cursor;
    check(meta->getIndices(table, type, cursor.out()), meta.p);
    std::uint16_t count = 0;
    check(cursor->getColumnCount(&count), cursor.p);
    std::vector<std::uint16_t> wanted;
    for (const char* name : {"INDEX_NAME", "COLUMN_NAME", "INDEX_TYPE", "SORT_ORDER"}) {
        for (std::uint16_t i = 1; i <= count; ++i) {
            std::uint16_t length = 0;
            cursor->getColumnNameLength(i, &length);
            std::string column(length + 1u, '\0');
            cursor->getColumnName(i, column.data());
            if (column.c_str() == std::string(name))
                wanted.push_back(i);
        }
    }
    EXPECT_EQ(wanted.size(), 4u);
    std::vector<Row> rows;
    while (cursor->next() == dbx::ResultOk) {
        Row row;
        for (std::uint16_t i : wanted)
            row.push_back(cellText(cursor.p, i));
        rows.push_back(row);
    }
    return rows;
}

TEST(DriverMetaData, IndexListingOfATable)
{
    TempDatabase db(customerTables);
    DriverSession s(db);
    const std::vector<Row> all {
        {"IX_CUSTOMER_NAME", "CUST_NAME", "1", "D"},
        {"IX_CUSTOMER_NAME", "TEL_1", "1", "D"},
        {"PK_CUSTOMER", "BRANCH", "6", "A"},
        {"PK_CUSTOMER", "CUST_ID", "6", "A"},
        {"UQ_CUSTOMER_TEL", "TEL_1", "2", "A"},
    };
    EXPECT_EQ(listIndices(s, "CUSTOMER"), all);
    EXPECT_EQ(listIndices(s, "customer"), all);
    EXPECT_EQ(listIndices(s, "\"CUSTOMER\""), all);
    EXPECT_EQ(listIndices(s, "CUSTOMER", dbx::IndexPrimary), (std::vector<Row> {all[2], all[3]}));
    EXPECT_EQ(listIndices(s, "CUSTOMER", dbx::IndexUnique), (std::vector<Row> {all[2], all[3], all[4]}));
    EXPECT_EQ(listIndices(s, "\"Mixed\""), (std::vector<Row> {{*db.scalar("SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES"
                                                                          " WHERE RDB$RELATION_NAME = 'Mixed'"),
                                                                 "id", "6", "A"}}));
    EXPECT_TRUE(listIndices(s, "Mixed").empty());
    EXPECT_TRUE(listIndices(s, "NO_SUCH_TABLE").empty());
}

TEST(DriverMetaData, StoredNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"customer", "CUSTOMER"}, {"\"Mixed\"", "Mixed"}, {"\"a\"\"b\"", "a\"b"},
        {"OWNER.customer", "CUSTOMER"}, {"\"x.y\"", "x.y"}, {"\xA5\x5C" "ab", "\xA5\x5C" "AB"},
    };
    for (const auto& [given, stored] : cases)
        EXPECT_EQ(didu::ib::storedName(given), stored) << given;
}

TEST(DriverMetaData, OptionsOfMetadataAndConnection)
{
    TempDatabase db;
    DriverSession s(db);
    // The quote character and the statement limit: DriverContract.OptionAnswers.
    Ref<dbx::ISQLMetaData> meta;
    check(s.connection()->getSQLMetaData(meta.out()), s.connection());
    std::int32_t length = 0;
    check(meta->setOption(dbx::MetaSchemaName, reinterpret_cast<std::intptr_t>("SYSDBA")), meta.p);
    char schema[256] = {};
    check(meta->getOption(dbx::MetaSchemaName, schema, sizeof schema, &length), meta.p);
    EXPECT_STREQ(schema, "SYSDBA");
    EXPECT_EQ(meta->setOption(99, 0), dbx::ResultNotSupported);

    const struct {
        const char* name;
        const char* catalog;
        const char* schema;
        const char* object;
    } splits[] = {
        {"CUSTOMER", "", "", "CUSTOMER"},
        {"SYSDBA.CUSTOMER", "", "SYSDBA", "CUSTOMER"},
        {"DB.SYSDBA.CUSTOMER", "DB", "SYSDBA", "CUSTOMER"},
        {"\"A.B\".C", "", "\"A.B\"", "C"},
    };
    for (const auto& c : splits) {
        // The text is copied: the caller's buffer may be gone at the next call.
        std::string name = c.name;
        check(s.connection()->setOption(dbx::ConnQualifiedName, reinterpret_cast<std::intptr_t>(name.c_str())),
              s.connection());
        name.assign(name.size(), '#');
        char part[256];
        for (auto [option, expected] : {std::pair {dbx::ConnCatalogName, c.catalog}, {dbx::ConnSchemaName, c.schema},
                                        {dbx::ConnObjectName, c.object}}) {
            std::memset(part, 'x', sizeof part);
            check(s.connection()->getOption(option, part, sizeof part, &length), s.connection());
            EXPECT_STREQ(part, expected) << c.name << " option " << option;
        }
    }
}

TEST(DriverMetaData, ListingTransactionsCommitWithTheCursor)
{
    TempDatabase db(customerTables);
    DriverSession s(db);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(listIndices(s, "CUSTOMER").size(), 5u); // prepared once, run again
    const std::string attachment = *s.select("SELECT CURRENT_CONNECTION FROM RDB$DATABASE")[0][0];
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = " + attachment), "1");
}

} // namespace
