// The sales tables and the checks every reliability test ends with: however a
// run was interrupted, each customer must have exactly one member row, and each
// member row must be whole, built from its own customer.
#pragma once

#include <string>

namespace didu::test {

/// CUSTOMER and MEMBER as the shop's database holds them (text in character set
/// NONE), one statement per ";".
inline const std::string kSalesSchema =
    "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40),"
    " TEL_1 VARCHAR(20), BUSINESS_ADD VARCHAR(80), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));"
    "CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20),"
    " MEMBER_PHONE VARCHAR(20), MEMBER_ADD VARCHAR(80), TOTAL_AMT NUMERIC(12, 2), CARD_ID VARCHAR(10),"
    " DISABLE_FLAG VARCHAR(5), MAIL_NUM VARCHAR(10), TAX_CODE VARCHAR(1), MAN_SALE VARCHAR(1),"
    " CHG_TIME VARCHAR(8), INVOICE_CLASS VARCHAR(1), UPPER_AMT NUMERIC(12, 2), SHET_YN VARCHAR(1),"
    " SALES_ID VARCHAR(10));";

/// One statement that adds `count` customers C0000001, C0000002, ... with
/// names longer than 20 bytes (so the cut is exercised) and a NULL address on
/// every seventh.
inline std::string addCustomersSql(int count, int first = 1)
{
    return "EXECUTE BLOCK AS DECLARE I INTEGER = " + std::to_string(first) + "; BEGIN WHILE (I < "
        + std::to_string(first + count)
        + ") DO BEGIN INSERT INTO CUSTOMER VALUES ('C' || LPAD(:I, 7, '0'),"
          " 'Customer number ' || :I || ' of the shop', '02-' || :I,"
          " IIF(MOD(:I, 7) = 0, NULL, 'Street ' || :I), MOD(:I, 1000), 'S' || MOD(:I, 5)); I = I + 1; END END";
}

/// Counts the customers whose member row holds exactly what the transfer writes.
/// Names here carry no control bytes, so TRIM of the first 20 bytes is the rule.
inline const std::string kWholeMemberRowsSql =
    "SELECT COUNT(*) FROM CUSTOMER C JOIN MEMBER M ON M.MEMBER_ID = C.CUST_ID"
    " WHERE M.MEMBER_NAME = TRIM(SUBSTRING(C.CUST_NAME FROM 1 FOR 20))"
    " AND M.MEMBER_PHONE = COALESCE(C.TEL_1, '') AND M.MEMBER_ADD = COALESCE(C.BUSINESS_ADD, '')"
    " AND M.TOTAL_AMT = 0 AND M.CARD_ID = C.CUST_ID AND M.DISABLE_FLAG = 'False'"
    " AND M.MAIL_NUM = COALESCE(C.MAIL_NUM, '') AND M.TAX_CODE = 'Y' AND M.MAN_SALE = 'N'"
    " AND OCTET_LENGTH(M.CHG_TIME) = 8 AND M.INVOICE_CLASS = '0' AND M.UPPER_AMT = 0"
    " AND M.SHET_YN = 'N' AND M.SALES_ID = COALESCE(C.SALES_ID, '')";

/// Member rows whose id is no customer's.
inline const std::string kStrayMembersSql =
    "SELECT COUNT(*) FROM MEMBER M WHERE NOT EXISTS (SELECT 1 FROM CUSTOMER C WHERE C.CUST_ID = M.MEMBER_ID)";

} // namespace didu::test
