#include "drivers/interbase/fbclient.h"

#include "platform/systemtext.h"

#include <dlfcn.h>
#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <list>
#include <vector>

namespace didu::ib {

namespace {

template <typename Fn>
bool resolve(void* handle, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(::dlsym(handle, name));
    return slot != nullptr;
}

// What the driver must know of a status code, sorted in this one place: whether
// its message quotes text the engine took from the operating system (file
// paths, host names, lines of its configuration files), whether it says the
// link to the database is gone for good (network failure, server shut down),
// whether the file was refused to this process though a server might open it
// (another engine holds it, the lock folder is closed), and whether it says
// the file or the server could not be reached at all. The codes of a lost
// link may stand behind a general first code.
struct CodeFacts {
    bool quotesSystem = false;
    bool linkLost = false;
    bool refusedHere = false;
    bool unreached = false;
};

CodeFacts factsOf(ISC_STATUS code)
{
    switch (code) {
    case isc_network_error:
        return {.quotesSystem = true, .linkLost = true, .unreached = true};
    case isc_shutdown:
        return {.quotesSystem = true, .linkLost = true};
    case isc_io_error:
    case isc_sys_request:
        return {.quotesSystem = true, .unreached = true};
    case isc_lock_dir_access:
        return {.quotesSystem = true, .refusedHere = true, .unreached = true};
    case isc_already_opened:
        return {.refusedHere = true, .unreached = true};
    case isc_net_connect_err:
        return {.unreached = true};
    case isc_bad_db_format:
    case isc_wrong_ods:
    case isc_db_corrupt:
    case isc_file_in_use:
    case isc_shutinprog:
    case isc_conf_access_denied:
    case isc_conf_line:
    case isc_conf_include:
        return {.quotesSystem = true};
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_lost_db_connection:
    case isc_conn_lost:
    case isc_att_shutdown:
        return {.linkLost = true};
    default:
        return {};
    }
}

// One walk over a status vector, a list of clusters each led by its kind: a
// copy whose text from the operating system is marked (the string arguments of
// the messages that quote it, and the system's error texts, which the copy
// carries as texts of their own in place of the error numbers), and whether
// any code says the link is gone.
class StatusWalk {
public:
    explicit StatusWalk(const ISC_STATUS* status)
    {
        bool systemArguments = false;
        for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
            const ISC_STATUS kind = *p++;
            switch (kind) {
            case isc_arg_gds:
            case isc_arg_warning: {
                const CodeFacts facts = factsOf(*p);
                systemArguments = facts.quotesSystem;
                if (kind == isc_arg_gds) {
                    m_linkLost = m_linkLost || facts.linkLost;
                    m_refusedHere = m_refusedHere || facts.refusedHere;
                    m_unreached = m_unreached || facts.unreached;
                }
                add(kind, *p++);
                break;
            }
            case isc_arg_string:
                if (systemArguments)
                    addText(isc_arg_string, reinterpret_cast<const char*>(*p));
                else
                    add(kind, *p);
                ++p;
                break;
            case isc_arg_cstring: {
                const auto length = static_cast<std::size_t>(*p++);
                const auto* text = reinterpret_cast<const char*>(*p++);
                if (systemArguments) {
                    addText(isc_arg_string, std::string(text, length));
                } else {
                    add(kind, static_cast<ISC_STATUS>(length));
                    m_vector.push_back(reinterpret_cast<ISC_STATUS>(text));
                }
                break;
            }
            case isc_arg_unix: {
                m_refusedHere = m_refusedHere || *p == EACCES || *p == EPERM;
                char buffer[256];
                addText(isc_arg_interpreted, ::strerror_r(static_cast<int>(*p++), buffer, sizeof buffer));
                break;
            }
            default:
                add(kind, *p++);
                break;
            }
        }
        m_vector.push_back(isc_arg_end);
    }

    const ISC_STATUS* marked() const { return m_vector.data(); }
    bool linkLost() const { return m_linkLost; }
    bool refusedHere() const { return m_refusedHere; }
    bool unreached() const { return m_unreached; }

private:
    void add(ISC_STATUS kind, ISC_STATUS value)
    {
        m_vector.push_back(kind);
        m_vector.push_back(value);
    }

    void addText(ISC_STATUS kind, std::string_view text)
    {
        // A list keeps every text where it is while the vector points at it.
        m_texts.push_back(didu::markedSystemText(text));
        add(kind, reinterpret_cast<ISC_STATUS>(m_texts.back().c_str()));
    }

    std::vector<ISC_STATUS> m_vector;
    std::list<std::string> m_texts;
    bool m_linkLost = false;
    bool m_refusedHere = false;
    bool m_unreached = false;
};

// The client library reads its configuration files (firebird.conf,
// databases.conf: the "$(dir_secDb)" of the security database's line among
// others) as it attaches, through the embedded engine or to a server alike, and
// matches their names and macros without regard to case by the C library's
// rules for the thread's locale. Under a Turkish LC_CTYPE "i" is not the small
// "I", and every attach fails with "illegal line". The same LC_CTYPE also tells
// the client the character set of file names (a database path with Chinese
// folders), so it is changed only where its case rules for ASCII letters are
// not ASCII's, and then to a locale of the same character set where there is
// one ("C.UTF-8" for a UTF-8 desktop; plain "C" otherwise, where only ASCII
// paths stay readable). The switch is for this thread and this call only:
// LC_CTYPE and LC_COLLATE change, the locale's other parts (messages, numbers)
// stay, and the rest of the program, Qt's threads included, never sees it.
// Statements need nothing: the engine folds SQL names by its own rule.
class ClientCaseRules {
public:
    ClientCaseRules()
    {
        // A copy can be asked (the thread may be using the global locale) and
        // is the base of the new one.
        const locale_t copy = ::duplocale(::uselocale(static_cast<locale_t>(nullptr)));
        if (copy == static_cast<locale_t>(nullptr))
            return;
        if (foldsAsciiAsAscii(copy)) {
            ::freelocale(copy);
            return;
        }
        const bool utf8 = std::strcmp(::nl_langinfo_l(CODESET, copy), "UTF-8") == 0;
        for (const char* plain : {utf8 ? "C.UTF-8" : "C", "C"}) {
            // On failure newlocale leaves the copy as it was.
            m_plain = ::newlocale(LC_CTYPE_MASK | LC_COLLATE_MASK, plain, copy);
            if (m_plain != static_cast<locale_t>(nullptr)) {
                m_previous = ::uselocale(m_plain);
                return;
            }
        }
        ::freelocale(copy);
    }
    ~ClientCaseRules()
    {
        if (m_plain == static_cast<locale_t>(nullptr))
            return;
        ::uselocale(m_previous);
        ::freelocale(m_plain);
    }
    ClientCaseRules(const ClientCaseRules&) = delete;
    ClientCaseRules& operator=(const ClientCaseRules&) = delete;

private:
    static bool foldsAsciiAsAscii(locale_t locale)
    {
        for (int letter = 'a'; letter <= 'z'; ++letter) {
            const int capital = letter - 'a' + 'A';
            if (::toupper_l(letter, locale) != capital || ::tolower_l(capital, locale) != letter)
                return false;
        }
        return true;
    }

    locale_t m_plain = static_cast<locale_t>(nullptr);
    locale_t m_previous = static_cast<locale_t>(nullptr);
};

} // namespace

ISC_STATUS FbClient::attachDatabase(ISC_STATUS* status, short nameLength, const ISC_SCHAR* name, isc_db_handle* db,
                                    short parametersLength, const ISC_SCHAR* parameters) const
{
    const ClientCaseRules plainCaseRules;
    return attachDatabaseEntry(status, nameLength, name, db, parametersLength, parameters);
}

std::shared_ptr<const FbClient> FbClient::load(const std::string& name)
{
    if (name.empty())
        return nullptr;
    // dlopen here rather than through the program's loader (platform/library.h):
    // the plugin links nothing of the core, so that it loads into any program
    // that speaks the driver contract, and the loader's first rule (a bare name
    // beside the executable) is for the program's own plugins. The client
    // library is the system's, found as the dynamic linker finds it by the name
    // the driver configuration gives, and closed again when it is not Firebird's.
    // RTLD_GLOBAL is left out on purpose: the client library is ours alone and
    // should not satisfy symbols of anything loaded later.
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    auto client = std::make_shared<FbClient>();
    const bool complete = resolve(handle, "isc_attach_database", client->attachDatabaseEntry)
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

FbStatus FbClient::read(const ISC_STATUS* status) const
{
    // The engine quotes paths, host names and the system's error texts as the
    // system gave them, whatever character set the connection named; the rest
    // of its text is in that character set. Marked, the core reads each right.
    const StatusWalk walk(status);
    FbStatus read;
    read.connectionLost = walk.linkLost();
    read.refusedHere = walk.refusedHere();
    read.unreached = walk.unreached();
    char buffer[1024];
    const ISC_STATUS* cursor = walk.marked();
    while (interpret(buffer, sizeof buffer, &cursor) > 0) {
        if (!read.text.empty())
            read.text += "\r\n";
        read.text += buffer;
    }
    return read;
}

bool FbClient::connectionLost(const ISC_STATUS* status)
{
    return StatusWalk(status).linkLost();
}

} // namespace didu::ib
