// Opens ClientDataSet1 over a table of customers of realistic width and reports
// where the time goes (fetch, packing, sorting) and the peak memory, beside a
// plain loop that fetches the same rows through Firebird's client library into a
// vector. Each measurement runs in a fresh process of its own, so that the peak
// memory of one says nothing of another.
//
//   bench_resultset [rows]      (100000 by default)
#include "bench/resultset/benchmemory.h"
#include "bench/resultset/plainfetch.h"
#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "platform/library.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

using namespace didu;

namespace {

const char* const CustomerQuery = "select * from CUSTOMER ";

const char* const CustomerTable =
    "CREATE TABLE CUSTOMER ("
    " CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY,"
    " CUST_NAME VARCHAR(40), SHORT_NAME VARCHAR(20),"
    " TEL_1 VARCHAR(20), TEL_2 VARCHAR(20), FAX VARCHAR(20),"
    " BUSINESS_ADD VARCHAR(80), INVOICE_ADD VARCHAR(80),"
    " MAIL_NUM CHAR(5), UNIFORM_NO CHAR(8), CONTACT VARCHAR(20), SALES_ID VARCHAR(10),"
    " CREDIT_LIMIT NUMERIC(12,2), OPEN_DATE DATE, REMARK VARCHAR(100))";

/// Fills CUSTOMER inside the server, in an order scrambled against the key so
/// that the store has real sorting to do.
std::string fillScript(int rows)
{
    std::ostringstream sql;
    sql << "EXECUTE BLOCK AS DECLARE I INTEGER = 0; DECLARE K INTEGER; BEGIN"
           " WHILE (I < " << rows << ") DO BEGIN"
           " K = MOD(I * 7919, " << rows << ");"
           " INSERT INTO CUSTOMER VALUES ("
           "  'C' || LPAD(:K, 7, '0'),"
           "  SUBSTRING('Torvik Trading Company Limited Northern Branch' FROM 1 FOR 10 + MOD(:K, 24)) || ' ' || :K,"
           "  SUBSTRING('Torvik Trading' FROM 1 FOR 6 + MOD(:K, 8)),"
           "  '02-' || LPAD(MOD(:K * 37, 100000000), 8, '0'),"
           "  IIF(MOD(:K, 2) = 0, NULL, '09' || LPAD(MOD(:K * 53, 100000000), 8, '0')),"
           "  '02-' || LPAD(MOD(:K * 41, 100000000), 8, '0'),"
           "  'No. ' || MOD(:K, 400) || ', Lane ' || MOD(:K, 90) || SUBSTRING(', Section 3, Zhongshan North Road, Zhongshan District' FROM 1 FOR 20 + MOD(:K, 30)),"
           "  'No. ' || MOD(:K, 300) || SUBSTRING(', Section 1, Chongqing South Road, Zhongzheng District' FROM 1 FOR 15 + MOD(:K, 35)),"
           "  LPAD(MOD(:K, 1000), 3, '0'),"
           "  LPAD(MOD(:K * 97, 100000000), 8, '0'),"
           "  SUBSTRING('Chen Mei-ling Wang' FROM 1 FOR 6 + MOD(:K, 12)),"
           "  'S' || LPAD(MOD(:K, 50), 3, '0'),"
           "  MOD(:K * 13, 1000000) / 100.0,"
           "  DATEADD(MOD(:K, 3650) DAY TO DATE '2010-01-01'),"
           "  IIF(MOD(:K, 5) = 0, 'Pays by transfer at the end of every month', NULL));"
           " I = I + 1; END END";
    return sql.str();
}

using Figures = std::map<std::string, double>;

void print(const Figures& figures)
{
    for (const auto& [name, value] : figures)
        std::printf("%s=%.6f\n", name.c_str(), value);
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/// Child: the plain loop.
int runLoop(const std::string& database)
{
    bench::fetchAll(database, CustomerQuery); // warms the engine's page cache, as in the other child
    malloc_trim(0);
    const auto before = bench::residentBytes();
    bench::resetPeak();
    const auto start = std::chrono::steady_clock::now();
    const bench::PlainFetch fetched = bench::fetchAll(database, CustomerQuery);
    const double seconds = since(start);
    print({{"time", seconds},
           {"peak", static_cast<double>(bench::peakBytes() - before)},
           {"text", static_cast<double>(fetched.textBytes)},
           {"rows", static_cast<double>(fetched.rows.size())}});
    return 0;
}

/// Child: ClientDataSet1's open, with the window's chain.
int runOpen(const std::string& database)
{
    SQLConnection connection;
    SQLDataSet dataSet(&connection);
    DataSetProvider provider(&dataSet);
    ClientDataSet clientDataSet(&provider);
    connection.open();
    bench::fetchAll(database, CustomerQuery);
    malloc_trim(0);
    const auto before = bench::residentBytes();
    bench::resetPeak();
    const auto start = std::chrono::steady_clock::now();
    clientDataSet.setCommandText(CustomerQuery);
    clientDataSet.open();
    const double seconds = since(start);
    const auto peak = bench::peakBytes() - before;
    const std::string first = clientDataSet.valueAsText("CUST_ID");
    if (first != "C0000000")
        std::fprintf(stderr, "unexpected first customer %s\n", first.c_str());
    print({{"time", seconds},
           {"peak", static_cast<double>(peak)},
           {"rows", static_cast<double>(clientDataSet.rowCount())}});
    return 0;
}

Figures runChild(const std::string& mode, const std::string& database)
{
    const std::string command = "'" + executablePath() + "' --child " + mode + " '" + database + "'";
    Figures figures;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return figures;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        const char* equals = std::strchr(line, '=');
        if (equals)
            figures[std::string(line, static_cast<std::size_t>(equals - line))] = std::atof(equals + 1);
    }
    if (pclose(pipe) != 0)
        std::fprintf(stderr, "the %s run failed\n", mode.c_str());
    return figures;
}

double mb(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
            return std::strcmp(argv[2], "loop") == 0 ? runLoop(argv[3]) : runOpen(argv[3]);

        const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
        std::printf("Filling CUSTOMER with %d rows...\n", rows);
        std::fflush(stdout);
        test::TempDatabase db(CustomerTable);
        db.execute(fillScript(rows));
        db.detach();

        // Three rounds each, alternating; the best time of each counts, the
        // peak is that of the same run.
        Figures loop, open;
        for (int round = 0; round < 3; ++round) {
            const Figures l = runChild("loop", db.databasePath());
            const Figures o = runChild("open", db.databasePath());
            if (loop.empty() || l.at("time") < loop.at("time"))
                loop = l;
            if (open.empty() || o.at("time") < open.at("time"))
                open = o;
        }
        std::printf("\nrows                        %.0f (open) / %.0f (loop)\n", open["rows"], loop["rows"]);
        std::printf("fetched text                %.1f MB\n", mb(loop["text"]));
        std::printf("plain loop into a vector    %.3f s, peak +%.1f MB\n", loop["time"], mb(loop["peak"]));
        std::printf("ClientDataSet1.open         %.3f s, peak +%.1f MB\n", open["time"], mb(open["peak"]));
        std::printf("open / loop time            %.2f  (goal at most 1.50)\n", open["time"] / loop["time"]);
        std::printf("open peak / fetched text    %.2f  (goal at most 2.00)\n", open["peak"] / loop["text"]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_resultset: %s\n", error.what());
        return 1;
    }
}
