#include "bench/resultset/plainfetch.h"

#include "tests/support/tempdb/fbstatus.h"

#include <ibase.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace didu::bench {

namespace {

void check(bool failed, const char* what, const ISC_STATUS* status)
{
    if (failed)
        throw std::runtime_error(std::string(what) + ": " + didu::test::statusText(status));
}

} // namespace

PlainFetch fetchAll(const std::string& database, const std::string& sql)
{
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A'};
    check(isc_attach_database(status, 0, database.c_str(), &db, sizeof dpb, dpb), "attach", status);
    isc_tr_handle tr = 0;
    static const char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_wait};
    check(isc_start_transaction(status, &tr, 1, &db, static_cast<unsigned short>(sizeof tpb), tpb), "start", status);
    isc_stmt_handle stmt = 0;
    check(isc_dsql_allocate_statement(status, &db, &stmt), "allocate", status);

    auto* out = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(64)));
    out->version = SQLDA_VERSION1;
    out->sqln = 64;
    check(isc_dsql_prepare(status, &tr, &stmt, 0, sql.c_str(), 3, out), "prepare", status);
    const int columns = out->sqld;
    std::vector<std::vector<char>> buffers(static_cast<std::size_t>(columns));
    std::vector<short> nulls(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        XSQLVAR& var = out->sqlvar[c];
        const std::size_t size = (var.sqltype & ~1) == SQL_VARYING ? var.sqllen + 2u : var.sqllen;
        buffers[static_cast<std::size_t>(c)].resize(size + 1);
        var.sqldata = buffers[static_cast<std::size_t>(c)].data();
        var.sqlind = &nulls[static_cast<std::size_t>(c)];
    }
    check(isc_dsql_execute(status, &tr, &stmt, 1, nullptr), "execute", status);

    PlainFetch result;
    for (;;) {
        const ISC_STATUS fetched = isc_dsql_fetch(status, &stmt, 1, out);
        if (fetched == 100)
            break;
        check(fetched != 0, "fetch", status);
        PlainRow row(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const XSQLVAR& var = out->sqlvar[c];
            if ((var.sqltype & 1) && *var.sqlind < 0)
                continue;
            switch (var.sqltype & ~1) {
            case SQL_VARYING: {
                short length = 0;
                std::memcpy(&length, var.sqldata, 2);
                row[static_cast<std::size_t>(c)].emplace(var.sqldata + 2, static_cast<std::size_t>(length));
                result.textBytes += static_cast<std::uint64_t>(length);
                break;
            }
            case SQL_TEXT:
                row[static_cast<std::size_t>(c)].emplace(var.sqldata, static_cast<std::size_t>(var.sqllen));
                result.textBytes += static_cast<std::uint64_t>(var.sqllen);
                break;
            default:
                row[static_cast<std::size_t>(c)].emplace(var.sqldata, static_cast<std::size_t>(var.sqllen));
                break;
            }
        }
        result.rows.push_back(std::move(row));
    }
    isc_dsql_free_statement(status, &stmt, DSQL_drop);
    std::free(out);
    isc_commit_transaction(status, &tr);
    isc_detach_database(status, &db);
    return result;
}

} // namespace didu::bench
