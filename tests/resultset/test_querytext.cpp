// The table a query reads and its ORDER BY items, as the provider sees them.
#include "db/statements/querytext.h"

#include <gtest/gtest.h>

using namespace didu;

TEST(QueryText, SingleTableName)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"select * from CUSTOMER ", "CUSTOMER"},
        {"select * from customer", "CUSTOMER"},
        {"SELECT A, B FROM \"Mixed Case\" WHERE A = 1", "Mixed Case"},
        {"select * from CUSTOMER c where c.X = 'a, b join'", "CUSTOMER"},
        {"select (select max(ID) from OTHER) from CUSTOMER order by 1", "CUSTOMER"},
        {"select * from CUSTOMER -- , comment\r\n", "CUSTOMER"},
        {"select * /* from X, Y */ from CUSTOMER", "CUSTOMER"},
        {"select * from CUSTOMER, AREAS", ""},
        {"select * from CUSTOMER c join AREAS a on a.ID = c.AREA", ""},
        {"select * from CUSTOMER c left outer join AREAS a on 1 = 1", ""},
        {"select * from (select * from CUSTOMER)", ""},
        {"select 1 from rdb$database", "RDB$DATABASE"},
        {"delete from CUSTOMER", ""},
        {"select 1", ""},
        {"", ""},
        {"select * from", ""},
        {"select 'from X' from CUSTOMER", "CUSTOMER"},
    };
    for (const auto& [sql, table] : cases)
        EXPECT_EQ(singleTableName(sql), table) << sql;
}

TEST(QueryText, OrderByItems)
{
    auto describe = [](const std::vector<OrderItem>& items) {
        std::string out;
        for (const auto& item : items) {
            if (!out.empty())
                out += ",";
            out += !item.plain ? std::string("?") : item.position ? "#" + std::to_string(item.position) : item.name;
            if (item.descending)
                out += " D";
        }
        return out;
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"select * from CUSTOMER ", ""},
        {"select * from CUSTOMER order by CUST_ID", "CUST_ID"},
        {"select * from CUSTOMER ORDER BY cust_name desc, c.CUST_ID asc", "CUST_NAME D,CUST_ID"},
        {"select * from CUSTOMER order by 2 descending, \"Name\"", "#2 D,Name"},
        {"select * from CUSTOMER order by UPPER(CUST_NAME), CUST_ID", "?,CUST_ID"},
        {"select * from CUSTOMER order by CUST_NAME collate UNICODE desc nulls last", "CUST_NAME D"},
        {"select * from CUSTOMER order by CUST_ID rows 10", "CUST_ID"},
        {"select * from (select * from T order by A) order by B", "B"},
        {"select * from CUSTOMER where X = 'order by Y'", ""},
        {"select * from CUSTOMER order by 12345678", "?"},
    };
    for (const auto& [sql, expected] : cases)
        EXPECT_EQ(describe(orderByItems(sql)), expected) << sql;
}
