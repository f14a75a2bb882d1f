#include "bench/transfer/rawloops.h"

#include "transfer/localecharacters.h"
#include "transfer/lookupliteral.h"
#include "transfer/membername.h"
#include "transfer/timetext.h"

#include <cstring>
#include <string>
#include <vector>

namespace didu::bench {

namespace {

struct Customer {
    std::string id, name, phone, address, mail, sales;
};

// The driver's transaction blocks at the reference settings: read committed,
// record versions, waiting on locks; statements are prepared in a read-only one
// that lives as long as the connection.
const std::vector<char> kPrepareTpb = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                                       isc_tpb_nowait};
const std::vector<char> kReadTpb = {isc_tpb_version3, isc_tpb_read, isc_tpb_wait, isc_tpb_read_committed,
                                    isc_tpb_rec_version};
const std::vector<char> kWriteTpb = {isc_tpb_version3, isc_tpb_write, isc_tpb_wait, isc_tpb_read_committed,
                                     isc_tpb_rec_version};
const std::vector<char> kLibraryDefault = {};

// The texts the driver receives: lines joined with CR LF, markers as "?".
const char* const kCustomerQuery = "select * from CUSTOMER \r\n";
const char* const kInsertText =
    "INSERT INTO MEMBER(MEMBER_ID,MEMBER_NAME,MEMBER_PHONE,\r\n"
    "MEMBER_ADD,TOTAL_AMT,CARD_ID,DISABLE_FLAG,MAIL_NUM,\r\n"
    "TAX_CODE,MAN_SALE,CHG_TIME,INVOICE_CLASS,UPPER_AMT,\r\n"
    "SHET_YN,SALES_ID) VALUES (?,?,?,\r\n"
    "?,?,?,?,?,\r\n"
    "?,?,?,?,?,\r\n"
    "?,?) \r\n";

std::string lookupText(const std::string& id)
{
    return "SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = '" + quotedLiteralContent(id) + "'\r\n";
}

int columnIndex(RawRow& row, const char* name)
{
    XSQLDA* da = row.sqlda();
    for (short i = 0; i < da->sqld; ++i) {
        const XSQLVAR& var = da->sqlvar[i];
        if (std::string(var.sqlname, static_cast<std::size_t>(var.sqlname_length)) == name)
            return i;
    }
    throw std::runtime_error(std::string("no column ") + name);
}

std::vector<Customer> fetchCustomers(RawStatement& statement, RawRow& row)
{
    const int id = columnIndex(row, "CUST_ID");
    const int name = columnIndex(row, "CUST_NAME");
    const int phone = columnIndex(row, "TEL_1");
    const int address = columnIndex(row, "BUSINESS_ADD");
    const int mail = columnIndex(row, "MAIL_NUM");
    const int sales = columnIndex(row, "SALES_ID");
    std::vector<Customer> customers;
    while (statement.fetch(row)) {
        customers.push_back({row.text(id).value_or(""), row.text(name).value_or(""), row.text(phone).value_or(""),
                             row.text(address).value_or(""), row.text(mail).value_or(""),
                             row.text(sales).value_or("")});
    }
    return customers;
}

void bindMember(RawRow& in, const Customer& c)
{
    in.setText(0, c.id);
    in.setText(1, memberName(c.name, localeCharacterLength));
    in.setText(2, c.phone);
    in.setText(3, c.address);
    in.setShort(4, 0);
    in.setText(5, c.id);
    in.setText(6, "False");
    in.setText(7, c.mail);
    in.setText(8, "Y");
    in.setText(9, "N");
    in.setText(10, formatTimeOfDay(localTimeOfDay(), ":"));
    in.setText(11, "0");
    in.setShort(12, 0);
    in.setText(13, "N");
    in.setText(14, c.sales);
}

} // namespace

std::size_t runSameStatementsLoop(RawDatabase& db)
{
    RawTransaction prepareTr(db, kPrepareTpb);
    std::vector<Customer> customers;
    {
        RawStatement statement(db);
        RawRow row(20);
        statement.prepare(prepareTr, kCustomerQuery, &row);
        statement.info();
        RawTransaction tr(db, kReadTpb);
        statement.execute(tr.handle(), nullptr);
        customers = fetchCustomers(statement, row);
        statement.closeCursor();
        tr.commit();
    }

    std::size_t inserted = 0;
    for (const Customer& customer : customers) {
        bool found = false;
        {
            RawStatement lookup(db);
            RawRow out(1);
            lookup.prepare(prepareTr, lookupText(customer.id), &out);
            lookup.info();
            RawTransaction tr(db, kReadTpb);
            lookup.execute(tr.handle(), nullptr);
            // The driver reads a block ahead: to the end of this one-row result.
            while (lookup.fetch(out))
                found = true;
            lookup.closeCursor();
            tr.commit();
        }
        if (found)
            continue;
        RawStatement insert(db);
        RawRow out(1);
        insert.prepare(prepareTr, kInsertText, &out);
        insert.info();
        RawRow in(15);
        insert.describeBind(in);
        bindMember(in, customer);
        RawTransaction tr(db, kWriteTpb);
        insert.execute(tr.handle(), &in);
        inserted += insert.rowsAffected();
        tr.commit();
    }
    prepareTr.commit();
    return inserted;
}

std::size_t runNaiveLoop(RawDatabase& db)
{
    std::vector<Customer> customers;
    {
        RawTransaction tr(db, kLibraryDefault);
        RawStatement statement(db);
        RawRow row(20);
        statement.prepare(tr, kCustomerQuery, &row);
        statement.execute(tr.handle(), nullptr);
        customers = fetchCustomers(statement, row);
        statement.closeCursor();
        tr.commit();
    }

    std::size_t inserted = 0;
    for (const Customer& customer : customers) {
        bool found = false;
        {
            RawTransaction tr(db, kLibraryDefault);
            RawStatement lookup(db);
            RawRow out(1);
            lookup.prepare(tr, lookupText(customer.id), &out);
            lookup.execute(tr.handle(), nullptr);
            found = lookup.fetch(out);
            lookup.closeCursor();
            tr.commit();
        }
        if (found)
            continue;
        RawTransaction tr(db, kLibraryDefault);
        RawStatement insert(db);
        insert.prepare(tr, kInsertText, nullptr);
        RawRow in(15);
        insert.describeBind(in);
        bindMember(in, customer);
        insert.execute(tr.handle(), &in);
        ++inserted;
        tr.commit();
    }
    return inserted;
}

} // namespace didu::bench
