#include "bench/transfer/benchdata.h"

#include "bench/transfer/rawclient.h"

#include <cstdio>
#include <string>
#include <vector>

namespace didu::bench {

namespace {

// Surname and given-name characters, in UTF-8, for names of three characters.
const char* const kSurnames[] = {"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊"};
const char* const kGiven[] = {"志", "明", "雅", "婷", "家", "豪", "淑", "芬", "建", "宏", "怡", "君"};
const char* const kStreets[] = {"中山路", "民生東路", "忠孝西路", "復興南路", "信義路五段"};

std::string number(std::size_t value, int width)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*zu", width, value);
    return buffer;
}

} // namespace

std::string salesSchema()
{
    return "CREATE TABLE CUSTOMER ("
           " CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40), CONTACT VARCHAR(20),"
           " TEL_1 VARCHAR(20), TEL_2 VARCHAR(20), FAX VARCHAR(20), BUSINESS_ADD VARCHAR(80),"
           " INVOICE_ADD VARCHAR(80), MAIL_NUM VARCHAR(5), SALES_ID VARCHAR(10), CREDIT NUMERIC(12,2),"
           " REMARK VARCHAR(100), CREATE_DATE DATE);"
           "CREATE TABLE MEMBER ("
           " MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20), MEMBER_PHONE VARCHAR(20),"
           " MEMBER_ADD VARCHAR(80), TOTAL_AMT NUMERIC(12,2), CARD_ID VARCHAR(10), DISABLE_FLAG VARCHAR(5),"
           " MAIL_NUM VARCHAR(5), TAX_CODE CHAR(1), MAN_SALE CHAR(1), CHG_TIME VARCHAR(8), INVOICE_CLASS CHAR(1),"
           " UPPER_AMT NUMERIC(12,2), SHET_YN CHAR(1), SALES_ID VARCHAR(10));";
}

void fillSalesData(const std::string& path, std::size_t customers, std::size_t memberEvery)
{
    RawDatabase db(path);
    RawTransaction tr(db, {});
    RawStatement customer(db);
    customer.prepare(tr,
                     "INSERT INTO CUSTOMER (CUST_ID, CUST_NAME, CONTACT, TEL_1, TEL_2, FAX, BUSINESS_ADD,"
                     " INVOICE_ADD, MAIL_NUM, SALES_ID, CREDIT, REMARK, CREATE_DATE)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 50000, ?, CURRENT_DATE)",
                     nullptr);
    RawRow customerRow(11);
    customer.describeBind(customerRow);
    RawStatement member(db);
    member.prepare(tr,
                   "INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME, MEMBER_PHONE, MEMBER_ADD, TOTAL_AMT, CARD_ID,"
                   " DISABLE_FLAG, MAIL_NUM, TAX_CODE, MAN_SALE, CHG_TIME, INVOICE_CLASS, UPPER_AMT, SHET_YN,"
                   " SALES_ID) VALUES (?, ?, ?, ?, 0, ?, 'False', ?, 'Y', 'N', '08:00:00', '0', 0, 'N', ?)",
                   nullptr);
    RawRow memberRow(7);
    member.describeBind(memberRow);

    for (std::size_t i = 0; i < customers; ++i) {
        const std::string id = "C" + number(i, 7);
        const std::string name = std::string(kSurnames[i % 10]) + kGiven[(i / 10) % 12] + kGiven[(i / 120) % 12];
        const std::string phone = "02-" + number(20000000 + (i * 7919) % 80000000, 8);
        const std::string address = "台北市" + std::string(kStreets[i % 5]) + number(1 + i % 300, 1) + "號"
            + number(1 + i % 20, 1) + "樓";
        const std::string mail = number(100 + i % 900, 3);
        const std::string sales = "S" + number(i % 40, 3);
        customerRow.setText(0, id);
        customerRow.setText(1, name);
        customerRow.setText(2, std::string(kGiven[i % 12]) + "先生");
        customerRow.setText(3, phone);
        customerRow.setText(4, "0912-" + number(i % 1000000, 6));
        customerRow.setText(5, "02-" + number(30000000 + i, 8));
        customerRow.setText(6, address);
        customerRow.setText(7, address);
        customerRow.setText(8, mail);
        customerRow.setText(9, sales);
        customerRow.setText(10, "月結三十天，發票寄公司地址");
        customer.execute(tr.handle(), &customerRow);
        if (memberEvery && i % memberEvery == 0) {
            memberRow.setText(0, id);
            memberRow.setText(1, name);
            memberRow.setText(2, phone);
            memberRow.setText(3, address);
            memberRow.setText(4, id);
            memberRow.setText(5, mail);
            memberRow.setText(6, sales);
            member.execute(tr.handle(), &memberRow);
        }
    }
    tr.commit();
}

} // namespace didu::bench
