// Firebird's client library, opened at run time from the name the driver
// configuration gives ("VendorLib"). The plugin never links it: a machine without
// it must still load the plugin and get a clear "Unable to Load" from the
// connection. Declarations come from Firebird's own ibase.h.
#pragma once

#include <ibase.h>

#include <memory>
#include <string>

namespace didu::ib {

/// A failed call's status vector as the driver reads it.
struct FbStatus {
    /// Firebird's own text, its messages joined by CR LF; the text it took from
    /// the operating system marked (platform/systemtext.h).
    std::string text;
    /// The link to the database is gone (network failure, server shut down):
    /// nothing on this attachment can work again.
    bool connectionLost = false;
    /// The engine would not open the file for this process (another engine
    /// holds it, or the file or the lock folder is closed to it), where a
    /// server on the machine may.
    bool refusedHere = false;
    /// The file or the server could not be reached at all, as opposed to a
    /// refusal of the server's own (a login, most often).
    bool unreached = false;
};

/// The isc_* entry points the driver uses, resolved once per loaded library.
struct FbClient {
    /// isc_attach_database itself; attach through attachDatabase().
    decltype(&::isc_attach_database) attachDatabaseEntry = nullptr;
    decltype(&::isc_detach_database) detachDatabase = nullptr;
    decltype(&::isc_start_transaction) startTransaction = nullptr;
    decltype(&::isc_commit_transaction) commitTransaction = nullptr;
    decltype(&::isc_commit_retaining) commitRetaining = nullptr;
    decltype(&::isc_rollback_transaction) rollbackTransaction = nullptr;
    decltype(&::isc_dsql_allocate_statement) allocateStatement = nullptr;
    decltype(&::isc_dsql_prepare) prepare = nullptr;
    decltype(&::isc_dsql_describe) describe = nullptr;
    decltype(&::isc_dsql_describe_bind) describeBind = nullptr;
    decltype(&::isc_dsql_sql_info) sqlInfo = nullptr;
    decltype(&::isc_dsql_execute2) execute2 = nullptr;
    decltype(&::isc_dsql_fetch) fetch = nullptr;
    decltype(&::isc_dsql_free_statement) freeStatement = nullptr;
    decltype(&::isc_open_blob2) openBlob = nullptr;
    decltype(&::isc_create_blob2) createBlob = nullptr;
    decltype(&::isc_get_segment) getSegment = nullptr;
    decltype(&::isc_put_segment) putSegment = nullptr;
    decltype(&::isc_close_blob) closeBlob = nullptr;
    decltype(&::isc_blob_info) blobInfo = nullptr;
    decltype(&::isc_vax_integer) vaxInteger = nullptr;
    decltype(&::fb_interpret) interpret = nullptr;
    decltype(&::fb_ping) ping = nullptr;

    /// isc_attach_database, with case rules for ASCII letters that are ASCII's
    /// in force for this thread while the client reads its configuration files
    /// (see fbclient.cpp); the thread's locale is as before when it returns.
    ISC_STATUS attachDatabase(ISC_STATUS* status, short nameLength, const ISC_SCHAR* name, isc_db_handle* db,
                              short parametersLength, const ISC_SCHAR* parameters) const;

    /// Opens `name` with the loader's usual search and resolves every entry
    /// point; null when the library or any entry is missing. The library stays
    /// loaded until the process ends (handles made through it may outlive us).
    static std::shared_ptr<const FbClient> load(const std::string& name);

    /// What a status vector says, read in one walk.
    FbStatus read(const ISC_STATUS* status) const;
    /// The same, when only the lost link matters (a ping's answer).
    static bool connectionLost(const ISC_STATUS* status);
};

} // namespace didu::ib
