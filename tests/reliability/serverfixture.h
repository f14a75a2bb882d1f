// One private server and one sales database on it per test, with the
// configuration files that point the program at it.
#pragma once

#include "tests/reliability/salesdata.h"
#include "tests/reliability/testserver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace didu::test {

class ServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string reason = TestServer::unavailableReason();
        if (!reason.empty())
            GTEST_SKIP() << reason;
        server = std::make_unique<TestServer>();
        db = std::make_unique<ServerDatabase>(server->databaseUrl("TORDATA.FDB"), server->password(), kSalesSchema);
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/didu-config-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        configFolder = pattern;
        xdgConfigHome = server->writeConfiguration(configFolder, db->url());
    }

    void TearDown() override
    {
        if (savedXdg)
            ::setenv("XDG_CONFIG_HOME", savedXdg->c_str(), 1);
        db.reset();
        server.reset();
        if (!configFolder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(configFolder, ignored);
        }
    }

    /// Points connections made in this process at the configuration files.
    void useConfigurationHere()
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            savedXdg = old;
        else
            savedXdg = "";
        ::setenv("XDG_CONFIG_HOME", xdgConfigHome.c_str(), 1);
    }

    /// `customers` customers on the server, written without waiting for the
    /// disk, and this process's connections pointed at the server.
    void prepareRun(int customers)
    {
        db->execute(addCustomersSql(customers));
        db->setForcedWrites(false);
        db->detach();
        useConfigurationHere();
    }

    int count(const std::string& sql) { return std::stoi(db->scalar(sql)); }

    std::unique_ptr<TestServer> server;
    std::unique_ptr<ServerDatabase> db;
    std::string configFolder;
    std::string xdgConfigHome;
    std::optional<std::string> savedXdg;
};

} // namespace didu::test
