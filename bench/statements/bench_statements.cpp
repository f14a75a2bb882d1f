// Prints what the statement layer costs: the scanner's time per byte over texts
// of growing length (it must stay flat: the scan is linear), the time and heap
// allocations of building the transfer's lookup and insert, and, on a fresh
// embedded database, the time of a whole lookup and a whole insert, so the
// layer's share can be read off.
//
//   bench_statements [customers]      (default 2000 database rounds)
#include "db/connection/sqlconnection.h"
#include "db/statements/markerscanner.h"
#include "db/statements/sqlstatement.h"
#include "tests/statements/memberinsert.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfer.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<long> g_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void buildLookup(didu::SQLStatement& query, const std::string& id)
{
    query.close();
    query.clearLines();
    query.addLine("SELECT MEMBER_ID FROM MEMBER ");
    query.addLine(" WHERE MEMBER_ID = '" + id + "'");
}

void buildInsert(didu::SQLStatement& query, const std::string& id)
{
    query.close();
    query.clearLines();
    for (const char* line : didu::kMemberInsertLines)
        query.addLine(line);
    didu::test::setMemberInsertValues(query, {id, "Customer name", "02-2345 6789", "No. 1, Some Road, Taipei", "106",
                                               "12:34:56", "S01"});
}

void benchScanner()
{
    std::printf("marker scanner, insert-like text repeated:\n");
    std::string unit;
    for (const char* line : didu::kMemberInsertLines)
        unit.append(line).append("\r\n");
    didu::MarkerScan scan;
    const didu::CodePage big5 = didu::CodePage::named("BIG5");
    for (std::size_t copies : {1u, 10u, 100u, 1000u, 10000u}) {
        std::string text;
        for (std::size_t i = 0; i < copies; ++i)
            text += unit;
        const std::size_t rounds = std::max<std::size_t>(3, 4000000 / text.size());
        didu::scanMarkers(text, big5, scan); // grow the reused buffers first
        const auto start = Clock::now();
        for (std::size_t i = 0; i < rounds; ++i)
            didu::scanMarkers(text, big5, scan);
        const double seconds = secondsSince(start);
        std::printf("  %9zu bytes, %6zu markers: %6.2f ns per byte\n", text.size(), scan.names.size(),
                    seconds * 1e9 / double(rounds * text.size()));
    }
}

void benchBuilding()
{
    // An unconnected connection: building lines and values reaches no driver.
    didu::SQLConnection connection;
    didu::SQLQuery query(&connection);
    const int rounds = 200000;
    std::string id = "C000000";
    buildInsert(query, id); // warm the reused buffers

    long before = g_allocations;
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        id[6] = static_cast<char>('0' + i % 10);
        buildLookup(query, id);
    }
    double seconds = secondsSince(start);
    std::printf("building the lookup (close, clear, 2 lines, scan):      %7.0f ns, %5.1f allocations\n",
                seconds * 1e9 / rounds, double(g_allocations - before) / rounds);

    before = g_allocations;
    start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        id[6] = static_cast<char>('0' + i % 10);
        buildInsert(query, id);
    }
    seconds = secondsSince(start);
    std::printf("building the insert (clear, 7 lines, 7 scans, 15 values): %7.0f ns, %5.1f allocations\n",
                seconds * 1e9 / rounds, double(g_allocations - before) / rounds);
}

void benchDatabase(int customers)
{
    didu::test::TempDatabase db(
        "CREATE TABLE MEMBER (MEMBER_ID VARCHAR(20) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20),"
        " MEMBER_PHONE VARCHAR(20), MEMBER_ADD VARCHAR(60), TOTAL_AMT NUMERIC(12,2), CARD_ID VARCHAR(20),"
        " DISABLE_FLAG VARCHAR(5), MAIL_NUM VARCHAR(5), TAX_CODE CHAR(1), MAN_SALE CHAR(1), CHG_TIME VARCHAR(8),"
        " INVOICE_CLASS CHAR(1), UPPER_AMT NUMERIC(12,2), SHET_YN CHAR(1), SALES_ID VARCHAR(10));");
    didu::SQLConnection connection;
    didu::SQLQuery query(&connection);
    connection.open();

    double lookupSeconds = 0;
    double insertSeconds = 0;
    for (int i = 0; i < customers; ++i) {
        const std::string id = "C" + std::to_string(100000 + i);
        auto start = Clock::now();
        buildLookup(query, id);
        query.open();
        const bool missing = query.fieldByName("member_id").isNull();
        lookupSeconds += secondsSince(start);
        if (!missing)
            std::abort();
        start = Clock::now();
        buildInsert(query, id);
        query.execute();
        insertSeconds += secondsSince(start);
    }
    std::printf("embedded Firebird, %d customers: lookup %7.1f us, insert %7.1f us (each built, prepared, run)\n",
                customers, lookupSeconds * 1e6 / customers, insertSeconds * 1e6 / customers);
}

} // namespace

int main(int argc, char** argv)
{
    const int customers = argc > 1 ? std::atoi(argv[1]) : 2000;
    benchScanner();
    benchBuilding();
    benchDatabase(customers > 0 ? customers : 2000);
    return 0;
}
