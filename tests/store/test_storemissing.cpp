// The store plugin missing: the first open fails with "Error loading MIDAS.DLL"
// before any customer is read, the result set stays closed, and once the plugin
// is back beside the program the next open succeeds. This program runs from its
// own folder (build/bin/storeless), so taking the plugin away touches no other test.
#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "db/statements/storeloader.h"
#include "platform/errors.h"
#include "platform/library.h"
#include "tests/support/recording/recordingsetup.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace didu;
namespace fs = std::filesystem;
namespace rec = didu::recording;

namespace {

const std::string CustomerQuery = "select * from CUSTOMER ";

rec::Rows customers()
{
    return {{{"CUST_ID", dbx::FieldZString, 0, 11}, {"CUST_NAME", dbx::FieldZString, 0, 41}},
            {{std::string("C2"), std::string("Two")}, {std::string("C1"), std::string("One")}}};
}

} // namespace

TEST(StoreMissing, OpenFailsUntilThePluginIsBackThenSucceeds)
{
    const fs::path beside = fs::path(executableDirectory()) / StoreLoader::FileName;
    fs::remove(beside);
    ASSERT_FALSE(StoreLoader::loaded());

    auto config = rec::useRecordingDriver();
    rec::control().setRows(CustomerQuery, customers());
    SQLConnection connection;
    SQLDataSet dataSet(&connection);
    DataSetProvider provider(&dataSet);
    ClientDataSet clientDataSet(&provider);
    clientDataSet.setCommandText(CustomerQuery);

    for (int attempt = 0; attempt < 2; ++attempt) {
        rec::control().clearCalls();
        try {
            clientDataSet.open();
            FAIL() << "open succeeded without the store plugin";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "Error loading MIDAS.DLL");
        }
        EXPECT_FALSE(clientDataSet.isOpen());
        EXPECT_FALSE(dataSet.isOpen());
        // The statement ran, but no row beyond the first fetch and no value was read.
        EXPECT_TRUE(rec::control().callsStartingWith("Cursor.getString").empty());
        EXPECT_EQ(rec::control().callsStartingWith("Cursor.next").size(), 1u);
        EXPECT_EQ(rec::control().callsStartingWith("Cursor.release").size(), 1u);
    }

    fs::copy_file(DIDU_STORE_PLUGIN_PATH, beside, fs::copy_options::overwrite_existing);
    clientDataSet.open();
    EXPECT_TRUE(StoreLoader::loaded());
    EXPECT_EQ(clientDataSet.rowCount(), 2);
    EXPECT_EQ(clientDataSet.valueAsText("CUST_ID"), "C2"); // no index listed: delivered order
    clientDataSet.close();

    // Once loaded the plugin stays for the run, even if its file goes away again.
    fs::remove(beside);
    clientDataSet.open();
    EXPECT_EQ(clientDataSet.rowCount(), 2);
}
