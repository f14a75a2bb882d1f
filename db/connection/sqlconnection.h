// SQLConnection1: the program's one named connection. It reads its parameter list
// and driver entries from the configuration files when it first connects, loads
// the driver plugin, hands over the connection options and stays open for the run.
#pragma once

#include "db/connection/dbxdriver.h"
#include "db/connection/driverhandle.h"
#include "db/connection/namevaluelist.h"
#include "platform/codepage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace didu {

class LoadedLibrary;

/// What a statement object offers the connection it runs on.
class ConnectionClient {
public:
    virtual ~ConnectionClient() = default;
    /// Close and release the driver command: the connection is going away.
    virtual void connectionClosing() = 0;
    /// True while the statement has an open result.
    virtual bool isActive() const = 0;
};

class SQLConnection {
public:
    /// Where the connection stands; connecting and disconnecting last one call.
    enum class State { Closed, Connecting, Open, Disconnecting };

    /// The settings stored with the window; at connect time the configuration
    /// files replace them while loadParamsOnConnect is on.
    struct Settings {
        std::string connectionName = "Torvik";
        std::string driverName = "Interbase";
        std::string getDriverFunc = "getSQLDriverINTERBASE";
        std::string libraryName = "libdbxint.so";
        std::string vendorLib = "libfbclient.so.2";
        bool loadParamsOnConnect = true;
        bool keepConnection = true;
    };

    /// The fourteen parameter lines stored with the window, in order; the
    /// connection file's section replaces them at connect time.
    static NameValueList storedParams();

    /// Creates the connection closed; only the connection configuration file is
    /// located here (an error doing so leaves its path empty).
    explicit SQLConnection(std::string name = "SQLConnection1");
    /// Disconnects, closing every statement still attached.
    ~SQLConnection();
    SQLConnection(const SQLConnection&) = delete;
    SQLConnection& operator=(const SQLConnection&) = delete;

    /// The object's name, used in the "%s: %s" prefix of its messages.
    const std::string& name() const { return m_name; }
    /// The stored settings; after a connect they hold the values read from the files.
    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    /// The parameter list: the stored lines, or the connection file's section once read.
    NameValueList& params() { return m_params; }
    const NameValueList& params() const { return m_params; }
    /// Path of the connection configuration file, fixed at creation.
    const std::string& connectionFilePath() const { return m_connectionFile; }

    /// The current state.
    State state() const { return m_state; }
    /// True while open.
    bool connected() const { return m_state == State::Open; }

    /// Open on demand: connects when not open, else does nothing.
    void open();
    /// Disconnects; closing a closed connection does nothing.
    void close();
    /// Step 1 of connecting alone: reads the parameter list unless already loaded
    /// (does nothing while loadParamsOnConnect is off).
    void loadParams();
    /// Closes the connection only when nothing keeps it open (never with keepConnection on).
    void closeWhenIdle();
    /// A unit of work (one press of OK) begins. An open connection whose link died
    /// while it stood idle (the server restarted, say) is closed here, so that the
    /// first statement connects anew instead of failing; nothing has run yet, so
    /// nothing runs twice. One round trip to a server.
    void beginWork();
    /// The unit of work is over: the driver ends the transactions it keeps
    /// between statements, so that an idle connection holds nothing back on the
    /// server. Every statement's work is committed already; this never fails.
    void endWork() noexcept;

    /// Raises the driver error text for a non-zero `result`, naming `source` (may
    /// be null) as the holder of the driver's own message. Does nothing for 0.
    void check(dbx::Result result, dbx::ISQLObject* source);
    /// How this connection's text is split into characters and read: its
    /// "ServerCharSet", or the locale's set when it names none; fixed as it
    /// opens. Everything that reads the connection's text is handed this one.
    const CodePage& codePage() const { return m_codePage; }
    /// The most recent driver error text raised by this connection.
    const std::string& lastError() const { return m_lastError; }

    /// The driver's quote character for object names, asked anew each call;
    /// empty when the call fails or answers 0.
    std::string quoteCharacter();
    /// Statements per connection the driver allows (0: no limit), read at connect.
    std::int32_t statementLimit() const { return m_statementLimit; }

    /// The driver's connection object while open (null while closed).
    dbx::ISQLConnection* driverConnection() const { return m_connection.get(); }
    /// The driver's metadata object while open (null while closed).
    dbx::ISQLMetaData* metaData() const { return m_metaData.get(); }

    /// Statements register here so that a disconnect can close them first.
    void attach(ConnectionClient* client);
    /// A statement going away unregisters itself.
    void detach(ConnectionClient* client);
    /// How many statement objects are attached.
    std::size_t clientCount() const { return m_clients.size(); }

    /// Extra-connection rule, at each prepare: counts a SELECT statement, and when
    /// the statement limit is reached hands back a connected copy named
    /// "<name>Clone1" for the statement to own; null when the statement shares this one.
    /// With a limit above 0: a SELECT adds one first; then, when the count has
    /// reached the limit (and no transaction is active), the copy is made and the
    /// count goes back to 0. With a limit of 0 nothing is counted.
    std::unique_ptr<SQLConnection> connectionForStatement(bool isSelect);

private:
    /// Opens the connection; what stops it before the database is reached
    /// raises SetupError.
    void connect();
    void loadDriver(const std::string& libraryName, const std::string& vendorLib, const std::string& getDriverFunc);
    void reachDatabase();
    void releaseDriverObjects();
    void disconnect();
    /// Closes an open connection whose driver reports its link lost.
    void dropIfLost();
    /// Closes a connection whose link is gone; what the dead link answers means nothing.
    void closeLostLink();

    std::string m_name;
    Settings m_settings;
    NameValueList m_params;
    std::string m_connectionFile;
    State m_state = State::Closed;
    bool m_paramsLoaded = false;
    std::string m_lastError;
    CodePage m_codePage;
    std::int32_t m_statementLimit = 0;
    std::int32_t m_activeStatements = 0;
    std::uint64_t m_failuresSeen = 0;
    std::shared_ptr<LoadedLibrary> m_library;
    DriverHandle<dbx::ISQLDriver> m_driver;
    DriverHandle<dbx::ISQLConnection> m_connection;
    DriverHandle<dbx::ISQLMetaData> m_metaData;
    std::vector<ConnectionClient*> m_clients;
};

} // namespace didu
