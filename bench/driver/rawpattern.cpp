#include "bench/driver/rawpattern.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace didu::bench {

namespace {

void check(ISC_STATUS rc, const ISC_STATUS* status, const char* what)
{
    if (!rc)
        return;
    std::string text = what;
    char buffer[512];
    const ISC_STATUS* cursor = status;
    while (fb_interpret(buffer, sizeof buffer, &cursor) > 0)
        text += std::string(": ") + buffer;
    throw std::runtime_error(text);
}

const char readTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_wait, isc_tpb_read_committed, isc_tpb_rec_version};
const char writeTpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_wait, isc_tpb_read_committed, isc_tpb_rec_version};

struct Area {
    explicit Area(short n) : da(static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n))))
    {
        da->version = SQLDA_VERSION1;
        da->sqln = n;
    }
    ~Area() { std::free(da); }
    XSQLDA* da;
};

int statementType(isc_stmt_handle* stmt, int* markers)
{
    ISC_STATUS_ARRAY status {};
    static const char items[] = {isc_info_sql_stmt_type, isc_info_sql_bind, isc_info_sql_describe_vars};
    char info[64];
    check(isc_dsql_sql_info(status, stmt, sizeof items, items, sizeof info, info), status, "info");
    int type = 0;
    for (const char* p = info; *p != isc_info_end && p < info + sizeof info;) {
        const char tag = *p++;
        if (tag == isc_info_sql_bind)
            continue;
        const short size = static_cast<short>(isc_vax_integer(p, 2));
        const int value = static_cast<int>(isc_vax_integer(p + 2, size));
        p += 2 + size;
        if (tag == isc_info_sql_stmt_type)
            type = value;
        else if (tag == isc_info_sql_describe_vars && markers)
            *markers = value;
    }
    return type;
}

} // namespace

RawPattern::RawPattern(const std::string& database)
{
    ISC_STATUS_ARRAY status {};
    const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A', isc_dpb_sql_dialect, 4, 3, 0, 0, 0};
    check(isc_attach_database(status, 0, database.c_str(), &m_db, sizeof dpb, dpb), status, "attach");
    const char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait};
    check(isc_start_transaction(status, &m_prepareTr, 1, &m_db, sizeof tpb, tpb), status, "start");
}

RawPattern::~RawPattern()
{
    ISC_STATUS_ARRAY status {};
    isc_commit_transaction(status, &m_prepareTr);
    isc_detach_database(status, &m_db);
}

bool RawPattern::lookup(const std::string& sql)
{
    ISC_STATUS_ARRAY status {};
    isc_stmt_handle stmt = 0;
    check(isc_dsql_allocate_statement(status, &m_db, &stmt), status, "allocate");
    Area out(16);
    check(isc_dsql_prepare(status, &m_prepareTr, &stmt, 0, sql.c_str(), 3, out.da), status, "prepare");
    statementType(&stmt, nullptr);
    std::vector<char> row(static_cast<std::size_t>(out.da->sqlvar[0].sqllen) + 8);
    short null = 0;
    out.da->sqlvar[0].sqldata = row.data();
    out.da->sqlvar[0].sqlind = &null;
    isc_tr_handle tr = 0;
    check(isc_start_transaction(status, &tr, 1, &m_db, sizeof readTpb, readTpb), status, "start");
    check(isc_dsql_execute2(status, &tr, &stmt, 1, nullptr, nullptr), status, "execute");
    const ISC_STATUS rc = isc_dsql_fetch(status, &stmt, 1, out.da);
    if (rc && rc != 100)
        check(rc, status, "fetch");
    check(isc_dsql_free_statement(status, &stmt, DSQL_close), status, "close");
    check(isc_commit_transaction(status, &tr), status, "commit");
    check(isc_dsql_free_statement(status, &stmt, DSQL_drop), status, "drop");
    return rc == 0;
}

void RawPattern::insert(const std::string& sql, const std::string values[], int count)
{
    ISC_STATUS_ARRAY status {};
    isc_stmt_handle stmt = 0;
    check(isc_dsql_allocate_statement(status, &m_db, &stmt), status, "allocate");
    Area out(16);
    check(isc_dsql_prepare(status, &m_prepareTr, &stmt, 0, sql.c_str(), 3, out.da), status, "prepare");
    int markers = 0;
    statementType(&stmt, &markers);
    Area in(static_cast<short>(markers));
    check(isc_dsql_describe_bind(status, &stmt, 1, in.da), status, "describe");
    std::vector<short> nulls(static_cast<std::size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        XSQLVAR& v = in.da->sqlvar[i];
        v.sqltype = SQL_TEXT + 1;
        v.sqlscale = 0;
        v.sqllen = static_cast<short>(values[i].size());
        v.sqldata = const_cast<char*>(values[i].data());
        v.sqlind = &nulls[static_cast<std::size_t>(i)];
    }
    isc_tr_handle tr = 0;
    check(isc_start_transaction(status, &tr, 1, &m_db, sizeof writeTpb, writeTpb), status, "start");
    check(isc_dsql_execute2(status, &tr, &stmt, 1, in.da, nullptr), status, "execute");
    static const char records[] = {isc_info_sql_records};
    char info[64];
    check(isc_dsql_sql_info(status, &stmt, 1, records, sizeof info, info), status, "records");
    check(isc_commit_transaction(status, &tr), status, "commit");
    check(isc_dsql_free_statement(status, &stmt, DSQL_drop), status, "drop");
}

long RawPattern::fetchAll(const std::string& sql)
{
    ISC_STATUS_ARRAY status {};
    isc_stmt_handle stmt = 0;
    check(isc_dsql_allocate_statement(status, &m_db, &stmt), status, "allocate");
    Area out(16);
    check(isc_dsql_prepare(status, &m_prepareTr, &stmt, 0, sql.c_str(), 3, out.da), status, "prepare");
    std::vector<std::vector<char>> buffers(static_cast<std::size_t>(out.da->sqld));
    std::vector<short> nulls(static_cast<std::size_t>(out.da->sqld));
    for (int i = 0; i < out.da->sqld; ++i) {
        buffers[static_cast<std::size_t>(i)].resize(static_cast<std::size_t>(out.da->sqlvar[i].sqllen) + 8);
        out.da->sqlvar[i].sqldata = buffers[static_cast<std::size_t>(i)].data();
        out.da->sqlvar[i].sqlind = &nulls[static_cast<std::size_t>(i)];
    }
    isc_tr_handle tr = 0;
    check(isc_start_transaction(status, &tr, 1, &m_db, sizeof readTpb, readTpb), status, "start");
    check(isc_dsql_execute2(status, &tr, &stmt, 1, nullptr, nullptr), status, "execute");
    long rows = 0;
    while (isc_dsql_fetch(status, &stmt, 1, out.da) == 0)
        ++rows;
    check(isc_dsql_free_statement(status, &stmt, DSQL_close), status, "close");
    check(isc_commit_transaction(status, &tr), status, "commit");
    check(isc_dsql_free_statement(status, &stmt, DSQL_drop), status, "drop");
    return rows;
}

} // namespace didu::bench
