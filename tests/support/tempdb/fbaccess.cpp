// Statements of the fixture itself: plain isc_* calls, each statement in a
// transaction of its own that is committed (or rolled back on failure) at once.
#include "tests/support/tempdb/fbstatus.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <ibase.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace didu::test {

namespace {

[[noreturn]] void fail(const std::string& what, const ISC_STATUS* status)
{
    throw std::runtime_error(what + ": " + statusText(status));
}

struct SqlDa {
    explicit SqlDa(short count)
        : da(static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(count > 0 ? count : 1))))
    {
        da->version = SQLDA_VERSION1;
        da->sqln = count > 0 ? count : 1;
    }
    ~SqlDa() { std::free(da); }
    SqlDa(const SqlDa&) = delete;
    SqlDa& operator=(const SqlDa&) = delete;
    XSQLDA* da;
};

class Transaction {
public:
    explicit Transaction(isc_db_handle* db)
    {
        static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                   isc_tpb_rec_version, isc_tpb_wait};
        ISC_STATUS_ARRAY status {};
        if (isc_start_transaction(status, &m_tr, 1, db, static_cast<unsigned short>(sizeof tpb), tpb))
            fail("cannot start a transaction", status);
    }
    ~Transaction()
    {
        if (m_tr) {
            ISC_STATUS_ARRAY status {};
            isc_rollback_transaction(status, &m_tr);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    isc_tr_handle* handle() { return &m_tr; }
    void commit()
    {
        ISC_STATUS_ARRAY status {};
        if (isc_commit_transaction(status, &m_tr))
            fail("commit failed", status);
    }

private:
    isc_tr_handle m_tr = 0;
};

class Statement {
public:
    Statement(isc_db_handle* db, Transaction& tr, const std::string& sql) : m_sql(sql)
    {
        ISC_STATUS_ARRAY status {};
        if (isc_dsql_allocate_statement(status, db, &m_stmt))
            fail(sql, status);
        SqlDa probe(1);
        if (isc_dsql_prepare(status, tr.handle(), &m_stmt, 0, sql.c_str(), 3, probe.da))
            fail(sql, status);
        m_out = std::make_unique<SqlDa>(probe.da->sqld);
        if (probe.da->sqld > 0 && isc_dsql_describe(status, &m_stmt, 1, m_out->da))
            fail(sql, status);
        SqlDa bindProbe(1);
        if (isc_dsql_describe_bind(status, &m_stmt, 1, bindProbe.da))
            fail(sql, status);
        m_in = std::make_unique<SqlDa>(bindProbe.da->sqld);
        if (bindProbe.da->sqld > 0 && isc_dsql_describe_bind(status, &m_stmt, 1, m_in->da))
            fail(sql, status);
        if (bindProbe.da->sqld == 0)
            m_in->da->sqld = 0;
    }
    ~Statement()
    {
        ISC_STATUS_ARRAY status {};
        isc_dsql_free_statement(status, &m_stmt, DSQL_drop);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    XSQLDA* output() { return m_out->da->sqld > 0 ? m_out->da : nullptr; }
    int outputCount() const { return m_out->da->sqld; }

    void execute(Transaction& tr, const std::vector<Value>& parameters)
    {
        XSQLDA* in = m_in->da;
        if (static_cast<std::size_t>(in->sqld) != parameters.size())
            throw std::runtime_error(m_sql + ": " + std::to_string(in->sqld) + " markers, "
                                     + std::to_string(parameters.size()) + " values");
        std::vector<short> nulls(parameters.size());
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            XSQLVAR& var = in->sqlvar[i];
            // Every value is handed over as text: the engine converts it to the
            // column's type, and text columns receive the bytes unchanged.
            var.sqltype = SQL_TEXT + 1;
            var.sqlsubtype = 0;
            var.sqlscale = 0;
            nulls[i] = parameters[i] ? 0 : -1;
            var.sqlind = &nulls[i];
            var.sqldata = parameters[i] ? const_cast<char*>(parameters[i]->data()) : nullptr;
            var.sqllen = parameters[i] ? static_cast<short>(parameters[i]->size()) : 0;
        }
        ISC_STATUS_ARRAY status {};
        if (isc_dsql_execute(status, tr.handle(), &m_stmt, 1, in->sqld ? in : nullptr))
            fail(m_sql, status);
    }

    bool fetch()
    {
        ISC_STATUS_ARRAY status {};
        const ISC_STATUS rc = isc_dsql_fetch(status, &m_stmt, 1, m_out->da);
        if (rc == 100)
            return false;
        if (rc)
            fail(m_sql, status);
        return true;
    }

private:
    std::string m_sql;
    isc_stmt_handle m_stmt = 0;
    std::unique_ptr<SqlDa> m_out;
    std::unique_ptr<SqlDa> m_in;
};

std::string scaled(std::int64_t value, int scale)
{
    std::string digits = std::to_string(value < 0 ? -static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value));
    if (scale < 0) {
        const std::size_t decimals = static_cast<std::size_t>(-scale);
        if (digits.size() <= decimals)
            digits.insert(0, decimals - digits.size() + 1, '0');
        digits.insert(digits.size() - decimals, 1, '.');
    } else if (scale > 0) {
        digits.append(static_cast<std::size_t>(scale), '0');
    }
    return value < 0 ? "-" + digits : digits;
}

std::string dateText(const ISC_DATE& date)
{
    tm t {};
    isc_decode_sql_date(&date, &t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return buffer;
}

std::string timeText(const ISC_TIME& time)
{
    tm t {};
    isc_decode_sql_time(&time, &t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%04u", t.tm_hour, t.tm_min, t.tm_sec,
                  static_cast<unsigned>(time % 10000));
    return buffer;
}

std::string blobText(isc_db_handle* db, Transaction& tr, ISC_QUAD id)
{
    ISC_STATUS_ARRAY status {};
    isc_blob_handle blob = 0;
    if (isc_open_blob2(status, db, tr.handle(), &blob, &id, 0, nullptr))
        fail("cannot open a blob", status);
    std::string bytes;
    char segment[8192];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS rc = isc_get_segment(status, &blob, &got, sizeof segment, segment);
        if (rc && rc != isc_segment)
            break;
        bytes.append(segment, got);
    }
    isc_close_blob(status, &blob);
    return bytes;
}

/// The value of type T at `data`, which the engine need not have aligned.
template <class T>
T load(const char* data)
{
    T v;
    std::memcpy(&v, data, sizeof v);
    return v;
}

template <class T>
std::string shortest(T v)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

Value columnValue(isc_db_handle* db, Transaction& tr, const XSQLVAR& var)
{
    if ((var.sqltype & 1) && *var.sqlind < 0)
        return std::nullopt;
    const char* data = var.sqldata;
    switch (var.sqltype & ~1) {
    case SQL_TEXT:
        return std::string(data, static_cast<std::size_t>(var.sqllen));
    case SQL_VARYING:
        return std::string(data + sizeof(short), static_cast<std::size_t>(load<short>(data)));
    case SQL_SHORT:
        return scaled(load<short>(data), var.sqlscale);
    case SQL_LONG:
        return scaled(load<ISC_LONG>(data), var.sqlscale);
    case SQL_INT64:
        return scaled(load<ISC_INT64>(data), var.sqlscale);
    case SQL_FLOAT:
        return shortest(load<float>(data));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return shortest(load<double>(data));
    case SQL_TYPE_DATE:
        return dateText(*reinterpret_cast<const ISC_DATE*>(data));
    case SQL_TYPE_TIME:
        return timeText(*reinterpret_cast<const ISC_TIME*>(data));
    case SQL_TIMESTAMP: {
        const auto* ts = reinterpret_cast<const ISC_TIMESTAMP*>(data);
        return dateText(ts->timestamp_date) + " " + timeText(ts->timestamp_time);
    }
    case SQL_BLOB:
        return blobText(db, tr, *reinterpret_cast<const ISC_QUAD*>(data));
    case SQL_BOOLEAN:
        return std::string(*data ? "TRUE" : "FALSE");
    default:
        throw std::runtime_error("column " + std::string(var.sqlname, static_cast<std::size_t>(var.sqlname_length))
                                 + " has a type the fixture cannot read: " + std::to_string(var.sqltype));
    }
}

} // namespace

void TempDatabase::run(const std::string& script)
{
    for (const std::string& statement : splitScript(script))
        execute(statement);
}

void TempDatabase::execute(const std::string& sql)
{
    execute(sql, {});
}

void TempDatabase::execute(const std::string& sql, const std::vector<Value>& parameters)
{
    attach();
    isc_db_handle db = m_db;
    Transaction tr(&db);
    {
        Statement statement(&db, tr, sql);
        statement.execute(tr, parameters);
    }
    tr.commit();
}

std::vector<Row> TempDatabase::query(const std::string& sql)
{
    attach();
    isc_db_handle db = m_db;
    Transaction tr(&db);
    std::vector<Row> rows;
    {
        Statement statement(&db, tr, sql);
        XSQLDA* out = statement.output();
        if (!out)
            throw std::runtime_error(sql + ": gives no columns");
        std::vector<std::vector<char>> buffers(static_cast<std::size_t>(out->sqld));
        std::vector<short> nulls(static_cast<std::size_t>(out->sqld));
        for (int i = 0; i < out->sqld; ++i) {
            XSQLVAR& var = out->sqlvar[i];
            std::size_t size = static_cast<std::size_t>(var.sqllen);
            if ((var.sqltype & ~1) == SQL_VARYING)
                size += sizeof(short);
            buffers[i].assign(size + 8, 0);
            var.sqldata = buffers[i].data();
            var.sqlind = &nulls[i];
        }
        statement.execute(tr, {});
        while (statement.fetch()) {
            Row row;
            row.reserve(static_cast<std::size_t>(out->sqld));
            for (int i = 0; i < out->sqld; ++i)
                row.push_back(columnValue(&db, tr, out->sqlvar[i]));
            rows.push_back(std::move(row));
        }
    }
    tr.commit();
    return rows;
}

Value TempDatabase::scalar(const std::string& sql)
{
    const auto rows = query(sql);
    if (rows.size() != 1 || rows[0].size() != 1)
        throw std::runtime_error(sql + ": expected one value, got " + std::to_string(rows.size()) + " rows");
    return rows[0][0];
}

} // namespace didu::test
