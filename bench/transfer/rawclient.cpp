#include "bench/transfer/rawclient.h"

#include <cstring>
#include <stdexcept>

namespace didu::bench {

void check(const ISC_STATUS* status, const char* what)
{
    if (status[0] != 1 || status[1] == 0)
        return;
    std::string text = what;
    char buffer[1024];
    const ISC_STATUS* cursor = status;
    while (fb_interpret(buffer, sizeof buffer, &cursor) > 0)
        text += std::string("\n") + buffer;
    throw std::runtime_error(text);
}

RawDatabase::RawDatabase(const std::string& path, const std::string& password)
{
    ISC_STATUS_ARRAY status{};
    std::vector<char> dpb = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A', isc_dpb_sql_dialect, 1, 3};
    if (!password.empty()) {
        dpb.push_back(isc_dpb_password);
        dpb.push_back(static_cast<char>(password.size()));
        dpb.insert(dpb.end(), password.begin(), password.end());
    }
    isc_attach_database(status, 0, path.c_str(), &m_db, static_cast<short>(dpb.size()), dpb.data());
    check(status, "attach");
}

RawDatabase::~RawDatabase()
{
    ISC_STATUS_ARRAY status{};
    if (m_db)
        isc_detach_database(status, &m_db);
}

bool RawDatabase::forcedWrites()
{
    ISC_STATUS_ARRAY status{};
    const char items[] = {isc_info_forced_writes, isc_info_end};
    char answer[32]{};
    isc_database_info(status, &m_db, sizeof items, items, sizeof answer, answer);
    check(status, "database info");
    if (answer[0] != isc_info_forced_writes)
        return false;
    const short length = static_cast<short>(isc_vax_integer(answer + 1, 2));
    return isc_vax_integer(answer + 3, length) != 0;
}

RawTransaction::RawTransaction(RawDatabase& db, const std::vector<char>& tpb)
{
    ISC_STATUS_ARRAY status{};
    isc_start_transaction(status, &m_tr, 1, db.handle(), static_cast<unsigned short>(tpb.size()),
                          tpb.empty() ? nullptr : tpb.data());
    check(status, "start transaction");
}

RawTransaction::~RawTransaction()
{
    ISC_STATUS_ARRAY status{};
    if (m_tr)
        isc_rollback_transaction(status, &m_tr);
}

void RawTransaction::commit()
{
    ISC_STATUS_ARRAY status{};
    isc_commit_transaction(status, &m_tr);
    check(status, "commit");
}

RawRow::RawRow(short count) : m_storage(XSQLDA_LENGTH(count))
{
    sqlda()->version = SQLDA_VERSION1;
    sqlda()->sqln = count;
}

void RawRow::allocate()
{
    XSQLDA* da = sqlda();
    m_buffers.assign(static_cast<std::size_t>(da->sqld), {});
    m_nulls.assign(static_cast<std::size_t>(da->sqld), 0);
    for (short i = 0; i < da->sqld; ++i) {
        XSQLVAR& var = da->sqlvar[i];
        auto& buffer = m_buffers[static_cast<std::size_t>(i)];
        buffer.resize(static_cast<std::size_t>(var.sqllen) + sizeof(short) + 8);
        var.sqldata = buffer.data();
        var.sqlind = &m_nulls[static_cast<std::size_t>(i)];
    }
}

void RawRow::setText(int index, const std::string& value)
{
    XSQLVAR& var = sqlda()->sqlvar[index];
    auto& buffer = m_buffers[static_cast<std::size_t>(index)];
    buffer.assign(value.begin(), value.end());
    buffer.push_back('\0');
    var.sqltype = SQL_TEXT | 1;
    var.sqlsubtype = 0;
    var.sqlscale = 0;
    var.sqllen = static_cast<short>(value.size());
    var.sqldata = buffer.data();
    m_nulls[static_cast<std::size_t>(index)] = 0;
    var.sqlind = &m_nulls[static_cast<std::size_t>(index)];
}

void RawRow::setShort(int index, short value)
{
    XSQLVAR& var = sqlda()->sqlvar[index];
    auto& buffer = m_buffers[static_cast<std::size_t>(index)];
    buffer.resize(sizeof value);
    std::memcpy(buffer.data(), &value, sizeof value);
    var.sqltype = SQL_SHORT | 1;
    var.sqlscale = 0;
    var.sqllen = sizeof value;
    var.sqldata = buffer.data();
    m_nulls[static_cast<std::size_t>(index)] = 0;
    var.sqlind = &m_nulls[static_cast<std::size_t>(index)];
}

std::optional<std::string> RawRow::text(int index)
{
    XSQLVAR& var = sqlda()->sqlvar[index];
    if ((var.sqltype & 1) && *var.sqlind < 0)
        return std::nullopt;
    switch (var.sqltype & ~1) {
    case SQL_VARYING: {
        short length = 0;
        std::memcpy(&length, var.sqldata, sizeof length);
        return std::string(var.sqldata + sizeof length, static_cast<std::size_t>(length));
    }
    case SQL_TEXT:
        return std::string(var.sqldata, static_cast<std::size_t>(var.sqllen));
    default:
        return std::string(); // the loops read only text columns
    }
}

RawStatement::RawStatement(RawDatabase& db)
{
    ISC_STATUS_ARRAY status{};
    isc_dsql_allocate_statement(status, db.handle(), &m_stmt);
    check(status, "allocate statement");
}

RawStatement::~RawStatement()
{
    ISC_STATUS_ARRAY status{};
    if (m_stmt)
        isc_dsql_free_statement(status, &m_stmt, DSQL_drop);
}

void RawStatement::prepare(RawTransaction& tr, const std::string& sql, RawRow* out)
{
    prepare(tr.handle(), sql, out);
}

void RawStatement::prepare(isc_tr_handle* tr, const std::string& sql, RawRow* out)
{
    ISC_STATUS_ARRAY status{};
    isc_dsql_prepare(status, tr, &m_stmt, 0, sql.c_str(), 3, out ? out->sqlda() : nullptr);
    check(status, "prepare");
    if (out) {
        if (out->sqlda()->sqld > out->sqlda()->sqln) {
            *out = RawRow(out->sqlda()->sqld);
            isc_dsql_describe(status, &m_stmt, 1, out->sqlda());
            check(status, "describe");
        }
        out->allocate();
    }
}

int RawStatement::info()
{
    ISC_STATUS_ARRAY status{};
    const char items[] = {isc_info_sql_stmt_type};
    char answer[16]{};
    isc_dsql_sql_info(status, &m_stmt, sizeof items, items, sizeof answer, answer);
    check(status, "statement info");
    if (answer[0] != isc_info_sql_stmt_type)
        return 0;
    const short length = static_cast<short>(isc_vax_integer(answer + 1, 2));
    return static_cast<int>(isc_vax_integer(answer + 3, length));
}

void RawStatement::describeBind(RawRow& in)
{
    ISC_STATUS_ARRAY status{};
    isc_dsql_describe_bind(status, &m_stmt, 1, in.sqlda());
    check(status, "describe bind");
    in.allocate();
}

void RawStatement::execute(isc_tr_handle* tr, RawRow* in)
{
    ISC_STATUS_ARRAY status{};
    isc_dsql_execute(status, tr, &m_stmt, 1, in ? in->sqlda() : nullptr);
    check(status, "execute");
}

bool RawStatement::fetch(RawRow& out)
{
    ISC_STATUS_ARRAY status{};
    const ISC_STATUS rc = isc_dsql_fetch(status, &m_stmt, 1, out.sqlda());
    if (rc == 100)
        return false;
    check(status, "fetch");
    return true;
}

unsigned RawStatement::rowsAffected()
{
    ISC_STATUS_ARRAY status{};
    const char items[] = {isc_info_sql_records};
    char answer[64]{};
    isc_dsql_sql_info(status, &m_stmt, sizeof items, items, sizeof answer, answer);
    check(status, "records");
    unsigned total = 0;
    for (const char* p = answer + 3; p < answer + sizeof answer && *p != isc_info_end;) {
        const char tag = *p++;
        const short size = static_cast<short>(isc_vax_integer(p, 2));
        const auto value = static_cast<unsigned>(isc_vax_integer(p + 2, size));
        p += 2 + size;
        if (tag == isc_info_req_insert_count || tag == isc_info_req_update_count || tag == isc_info_req_delete_count)
            total += value;
    }
    return total;
}

void RawStatement::closeCursor()
{
    ISC_STATUS_ARRAY status{};
    isc_dsql_free_statement(status, &m_stmt, DSQL_close);
    check(status, "close cursor");
}

} // namespace didu::bench
