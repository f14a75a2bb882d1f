#include "drivers/interbase/fbclient.h"

#include <dlfcn.h>

namespace didu::ib {

namespace {

template <typename Fn>
bool resolve(void* handle, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(::dlsym(handle, name));
    return slot != nullptr;
}

} // namespace

std::shared_ptr<const FbClient> FbClient::load(const std::string& name)
{
    if (name.empty())
        return nullptr;
    // RTLD_GLOBAL is left out on purpose: the client library is ours alone and
    // should not satisfy symbols of anything loaded later.
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    auto client = std::make_shared<FbClient>();
    const bool complete = resolve(handle, "isc_attach_database", client->attachDatabase)
        && resolve(handle, "isc_detach_database", client->detachDatabase)
        && resolve(handle, "isc_start_transaction", client->startTransaction)
        && resolve(handle, "isc_commit_transaction", client->commitTransaction)
        && resolve(handle, "isc_commit_retaining", client->commitRetaining)
        && resolve(handle, "isc_rollback_transaction", client->rollbackTransaction)
        && resolve(handle, "isc_dsql_allocate_statement", client->allocateStatement)
        && resolve(handle, "isc_dsql_prepare", client->prepare)
        && resolve(handle, "isc_dsql_describe", client->describe)
        && resolve(handle, "isc_dsql_describe_bind", client->describeBind)
        && resolve(handle, "isc_dsql_sql_info", client->sqlInfo)
        && resolve(handle, "isc_dsql_execute2", client->execute2)
        && resolve(handle, "isc_dsql_fetch", client->fetch)
        && resolve(handle, "isc_dsql_free_statement", client->freeStatement)
        && resolve(handle, "isc_open_blob2", client->openBlob)
        && resolve(handle, "isc_create_blob2", client->createBlob)
        && resolve(handle, "isc_get_segment", client->getSegment)
        && resolve(handle, "isc_put_segment", client->putSegment)
        && resolve(handle, "isc_close_blob", client->closeBlob)
        && resolve(handle, "isc_blob_info", client->blobInfo)
        && resolve(handle, "isc_vax_integer", client->vaxInteger)
        && resolve(handle, "fb_interpret", client->interpret)
        && resolve(handle, "fb_ping", client->ping);
    if (!complete) {
        // Some other library of that name: nothing of it is used.
        ::dlclose(handle);
        return nullptr;
    }
    return client;
}

bool FbClient::connectionLost(const ISC_STATUS* status)
{
    // A status vector is a list of clusters, each led by its kind; the codes of
    // a lost link may stand behind a general first code.
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS kind = *p++;
        const ISC_STATUS value = *p++;
        if (kind == isc_arg_gds) {
            switch (value) {
            case isc_network_error:
            case isc_net_read_err:
            case isc_net_write_err:
            case isc_lost_db_connection:
            case isc_conn_lost:
            case isc_shutdown:
            case isc_att_shutdown:
                return true;
            default:
                break;
            }
        } else if (kind == isc_arg_cstring) {
            ++p; // a counted string takes a length and a pointer
        }
    }
    return false;
}

std::string FbClient::statusText(const ISC_STATUS* status) const
{
    std::string text;
    char buffer[1024];
    const ISC_STATUS* cursor = status;
    while (interpret(buffer, sizeof buffer, &cursor) > 0) {
        if (!text.empty())
            text += "\r\n";
        text += buffer;
    }
    return text;
}

} // namespace didu::ib
