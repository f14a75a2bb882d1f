#include "transfer/transfer.h"

#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/lookupliteral.h"
#include "db/statements/sqlstatement.h"
#include "platform/codepage.h"
#include "platform/timeseparator.h"
#include "transfer/membername.h"
#include "transfer/transferview.h"

#include <cstdint>

namespace didu {

namespace {

const char* const kCustomerQuery = "select * from CUSTOMER ";

} // namespace

Transfer::Transfer(ClientDataSet& customers, SQLQuery& query, Progress& progress, TransferView& view, Clock clock,
                   TransferMode mode)
    : m_customers(customers), m_query(query), m_progress(progress), m_view(view), m_clock(std::move(clock)),
      m_mode(mode)
{
    if (!m_clock)
        m_clock = localTimeOfDay;
}

namespace {

/// One press's unit of work on the connection the statements share: a link that
/// died while the window stood idle is found before the first statement, and
/// the transactions the driver keeps between statements end as soon as the
/// work is over, also when it failed.
class UnitOfWork {
public:
    explicit UnitOfWork(SQLConnection* connection) : m_connection(connection)
    {
        if (m_connection)
            m_connection->beginWork();
    }
    ~UnitOfWork() { end(); }
    UnitOfWork(const UnitOfWork&) = delete;
    UnitOfWork& operator=(const UnitOfWork&) = delete;
    void end() noexcept
    {
        if (m_connection)
            m_connection->endWork();
        m_connection = nullptr;
    }

private:
    SQLConnection* m_connection;
};

} // namespace

void Transfer::run()
{
    UnitOfWork work(m_query.connection());
    m_customers.close();
    m_customers.setCommandText(kCustomerQuery);
    m_customers.open();

    const std::int32_t count = m_customers.rowCount();
    if (count == 0)
        return;
    m_progress.setMaximum(count);
    m_view.showProgress(m_progress);

    while (!m_customers.eof()) {
        // Stepping on from the position left behind (never resetting it) is
        // what makes a second run start full.
        m_progress.step();
        m_view.showProgress(m_progress);

        const std::string customerId = m_customers.valueAsText("CUST_ID");
        if (memberExists(customerId))
            m_view.customerSettled(customerId, {}, CustomerOutcome::AlreadyMember);
        else if (m_mode == TransferMode::DryRun)
            m_view.customerSettled(customerId,
                                   memberName(m_customers.valueAsText("CUST_NAME"), m_query.connection()->codePage()),
                                   CustomerOutcome::WouldBeAdded);
        else
            m_view.customerSettled(customerId, insertMember(), CustomerOutcome::Added);
        m_customers.next();
    }
    // Before the message: the operator may leave it open for hours.
    work.end();
    if (m_mode == TransferMode::Write)
        m_view.showInformation(kTransferCompleteMessage);
}

bool Transfer::memberExists(const std::string& customerId)
{
    m_query.close();
    m_query.clearLines();
    m_query.addLine("SELECT MEMBER_ID FROM MEMBER ");
    m_query.addLine(" WHERE MEMBER_ID = '" + quotedLiteralContent(customerId, m_query.connection()->codePage()) + "'");
    m_query.open();
    return !m_query.fieldByName("member_id").isNull();
}

std::string Transfer::insertMember()
{
    m_query.close();
    m_query.clearLines();
    for (const char* line : kMemberInsertLines)
        m_query.addLine(line);

    // Each customer column is read as its parameter is set, so a missing column
    // fails at the same step whatever the data.
    auto customer = [this](const char* column) { return m_customers.valueAsText(column); };
    m_query.paramByName("MEMBER_ID").setValue(customer("CUST_ID"));
    // Found before the column is read, as on every other line; the name is kept
    // for the view.
    SQLParam& nameParam = m_query.paramByName("MEMBER_NAME");
    const std::string name = memberName(customer("CUST_NAME"), m_query.connection()->codePage());
    nameParam.setValue(name);
    m_query.paramByName("MEMBER_PHONE").setValue(customer("TEL_1"));
    m_query.paramByName("MEMBER_ADD").setValue(customer("BUSINESS_ADD"));
    m_query.paramByName("TOTAL_AMT").setValue(std::int16_t(0));
    m_query.paramByName("CARD_ID").setValue(customer("CUST_ID"));
    m_query.paramByName("DISABLE_FLAG").setValue(std::string_view("False"));
    m_query.paramByName("MAIL_NUM").setValue(customer("MAIL_NUM"));
    m_query.paramByName("TAX_CODE").setValue(std::string_view("Y"));
    m_query.paramByName("MAN_SALE").setValue(std::string_view("N"));
    m_query.paramByName("CHG_TIME").setValue(formatTimeOfDay(m_clock(), timeSeparator()));
    m_query.paramByName("INVOICE_CLASS").setValue(std::string_view("0"));
    m_query.paramByName("UPPER_AMT").setValue(std::int16_t(0));
    m_query.paramByName("SHET_YN").setValue(std::string_view("N"));
    m_query.paramByName("SALES_ID").setValue(customer("SALES_ID"));
    m_query.execute();
    return name;
}

} // namespace didu
