#include "bench/transfer/rawloops.h"

#include "db/statements/lookupliteral.h"
#include "db/statements/markerscanner.h"
#include "platform/codepage.h"
#include "platform/locale.h"
#include "transfer/membername.h"
#include "transfer/timetext.h"
#include "transfer/transfer.h"

#include <cstring>
#include <string>
#include <vector>

namespace didu::bench {

namespace {

// The driver's transaction blocks at the reference settings: read committed,
// record versions, waiting on locks; statements are prepared, and plain SELECTs
// run, in a read-only one that lives as long as the connection.
const std::vector<char> kPrepareTpb = {isc_tpb_version3, isc_tpb_read, isc_tpb_wait, isc_tpb_read_committed,
                                       isc_tpb_rec_version};
const std::vector<char> kWriteTpb = {isc_tpb_version3, isc_tpb_write, isc_tpb_wait, isc_tpb_read_committed,
                                     isc_tpb_rec_version};
const std::vector<char> kLibraryDefault = {};

// The texts the driver receives: lines joined with CR LF, markers as "?".
const char* const kCustomerQuery = "select * from CUSTOMER \r\n";
const std::string kInsertText = [] {
    std::string text;
    for (const char* line : kMemberInsertLines)
        text.append(line).append("\r\n");
    return scanMarkers(text, CodePage()).driverText;
}();

std::string lookupText(const std::string& id)
{
    return "SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = '" + quotedLiteralContent(id, userLocale().codePage)
        + "'\r\n";
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
    in.setText(1, memberName(c.name, userLocale().codePage));
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

PlainLoop::PlainLoop(RawDatabase& db, Style style) : m_db(db), m_style(style) {}

PlainLoop::~PlainLoop() = default;

void PlainLoop::start()
{
    m_customers.clear();
    m_next = 0;
    m_inserted = 0;
    const bool same = m_style == Style::SameStatements;
    if (same && !m_prepareTr)
        m_prepareTr = std::make_unique<RawTransaction>(m_db, kPrepareTpb);
    std::unique_ptr<RawTransaction> tr;
    if (!same)
        tr = std::make_unique<RawTransaction>(m_db, kLibraryDefault);
    RawTransaction& run = same ? *m_prepareTr : *tr;
    RawStatement statement(m_db);
    RawRow row(20);
    statement.prepare(run, kCustomerQuery, &row);
    if (same)
        statement.info();
    statement.execute(run.handle(), nullptr);
    m_customers = fetchCustomers(statement, row);
    statement.closeCursor();
    if (tr)
        tr->commit();
}

bool PlainLoop::step()
{
    if (m_next >= m_customers.size()) {
        // The driver's prepare transaction ends with the run here; the next
        // start begins a new one.
        if (m_prepareTr) {
            m_prepareTr->commit();
            m_prepareTr.reset();
        }
        return false;
    }
    const Customer& customer = m_customers[m_next++];
    if (m_style == Style::SameStatements)
        sameStatementsStep(customer);
    else
        naiveStep(customer);
    return true;
}

void PlainLoop::sameStatementsStep(const Customer& customer)
{
    bool found = false;
    {
        RawStatement lookup(m_db);
        RawRow out(1);
        lookup.prepare(*m_prepareTr, lookupText(customer.id), &out);
        lookup.info();
        lookup.execute(m_prepareTr->handle(), nullptr);
        // The driver reads a block ahead: to the end of this one-row result.
        while (lookup.fetch(out))
            found = true;
        lookup.closeCursor();
    }
    if (found)
        return;
    RawStatement insert(m_db);
    RawRow out(1);
    insert.prepare(*m_prepareTr, kInsertText, &out);
    insert.info();
    RawRow in(15);
    insert.describeBind(in);
    bindMember(in, customer);
    RawTransaction tr(m_db, kWriteTpb);
    insert.execute(tr.handle(), &in);
    m_inserted += insert.rowsAffected();
    tr.commit();
}

void PlainLoop::naiveStep(const Customer& customer)
{
    bool found = false;
    {
        RawTransaction tr(m_db, kLibraryDefault);
        RawStatement lookup(m_db);
        RawRow out(1);
        lookup.prepare(tr, lookupText(customer.id), &out);
        lookup.execute(tr.handle(), nullptr);
        found = lookup.fetch(out);
        lookup.closeCursor();
        tr.commit();
    }
    if (found)
        return;
    RawTransaction tr(m_db, kLibraryDefault);
    RawStatement insert(m_db);
    insert.prepare(tr, kInsertText, nullptr);
    RawRow in(15);
    insert.describeBind(in);
    bindMember(in, customer);
    insert.execute(tr.handle(), &in);
    ++m_inserted;
    tr.commit();
}

std::size_t runLoop(RawDatabase& db, PlainLoop::Style style)
{
    PlainLoop loop(db, style);
    loop.start();
    while (loop.step()) {
    }
    return loop.inserted();
}

} // namespace didu::bench
