// The program as the operator meets it: its own process, a real X display, key
// presses from outside, the completion text read back from the clipboard.
#include "tests/support/locales/privatelocale.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "xdriver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using didu::test::ProgramProcess;
using didu::test::TempDatabase;

const std::string kWindowTitle = "客戶轉會員";
const std::string kHyphens = "---------------------------\r\n";

std::string salesSchema()
{
    std::ifstream in(DIDU_SALES_SCHEMA);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string copyText(const std::string& title, const std::string& message)
{
    return kHyphens + title + "\r\n" + kHyphens + message + "\r\n" + kHyphens + "OK   \r\n" + kHyphens;
}

class Program : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (tools/test.sh starts one)";
        db = std::make_unique<TempDatabase>(salesSchema());
        db->run("INSERT INTO CUSTOMER VALUES ('K1', '陳大文', '02-1', 'Taipei', '100', 'S1');"
                "INSERT INTO CUSTOMER VALUES ('K2', 'Lin', NULL, NULL, NULL, NULL);"
                "INSERT INTO CUSTOMER VALUES ('K3', '林美玲', '02-3', '台北市', '106', 'S2');"
                "INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME) VALUES ('K2', 'member already')");
        // The program needs the database to itself while it runs.
        db->detach();
    }

    std::string startAndFindWindow(ProgramProcess& program)
    {
        const std::string window = didu::test::waitForWindow(program.pid(), kWindowTitle, 20s);
        EXPECT_FALSE(window.empty()) << program.standardError();
        return window;
    }

    /// OK on `window` ends in the error box; its text as Ctrl+C copies it out,
    /// after which the box is closed and the window is idle again.
    std::string errorBoxCopiedOnOk(ProgramProcess& program, const std::string& window)
    {
        didu::test::pressKeys(window, "Return");
        const std::string box = didu::test::waitForWindow(program.pid(), "Diduradozori", 20s);
        EXPECT_FALSE(box.empty()) << program.standardError();
        if (box.empty())
            return {};
        didu::test::pressKeys(box, "ctrl+c");
        std::string copied = didu::test::clipboardText();
        didu::test::pressKeys(box, "Return");
        EXPECT_TRUE(didu::test::waitForWindowGone(program.pid(), "Diduradozori", 10s));
        return copied;
    }

    /// OK runs to the completion message, which Ctrl+C copies out; closing it
    /// and then the window ends the program with 0.
    void runToCompletionAndClose(ProgramProcess& program, const std::string& window)
    {
        didu::test::pressKeys(window, "Return");
        const std::string dialog = didu::test::waitForWindow(program.pid(), "Information", 30s);
        ASSERT_FALSE(dialog.empty()) << program.standardError();
        didu::test::pressKeys(dialog, "ctrl+c");
        EXPECT_EQ(didu::test::clipboardText(), copyText("Information", "資料轉移完成."));
        didu::test::pressKeys(dialog, "Return");
        EXPECT_TRUE(didu::test::waitForWindowGone(program.pid(), "Information", 10s));
        didu::test::pressKeys(window, "Escape");
        ASSERT_EQ(program.wait(10s), 0) << program.standardError();
    }

    std::unique_ptr<TempDatabase> db;
};

TEST_F(Program, StartsWithoutTouchingTheDatabaseAndEscEndsItWithZero)
{
    const auto started = std::chrono::steady_clock::now();
    ProgramProcess program;
    const std::string window = startAndFindWindow(program);
    ASSERT_FALSE(window.empty());
    const auto shown = std::chrono::steady_clock::now();
    std::cout << "window shown after "
              << std::chrono::duration_cast<std::chrono::milliseconds>(shown - started).count() << " ms\n";

    const std::string maps = program.mappedFiles();
    EXPECT_EQ(maps.find("libdbxint"), std::string::npos);
    EXPECT_EQ(maps.find("libfbclient"), std::string::npos);
    EXPECT_EQ(maps.find("libmidas"), std::string::npos);

    didu::test::pressKeys(window, "Escape");
    EXPECT_EQ(program.wait(10s), 0) << program.standardError();
}

TEST_F(Program, EnterRunsTheTransferAndTheCompletionTextIsCopiedOut)
{
    ProgramProcess program;
    const std::string window = startAndFindWindow(program);
    ASSERT_FALSE(window.empty());

    runToCompletionAndClose(program, window);
    if (HasFatalFailure())
        return;

    const auto rows = db->query("SELECT MEMBER_ID, MEMBER_NAME, MEMBER_PHONE, CARD_ID, TAX_CODE, SALES_ID "
                                "FROM MEMBER ORDER BY MEMBER_ID");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (didu::test::Row{"K1", "陳大文", "02-1", "K1", "Y", "S1"}));
    EXPECT_EQ(rows[1][1], "member already");
    EXPECT_EQ(rows[2], (didu::test::Row{"K3", "林美玲", "02-3", "K3", "Y", "S2"}));
}

// Taiwanese desktops with the shop's Big5 data: a UTF-8 desktop whose connection
// names BIG_5, and a Big5 desktop. The first press meets a Big5 message that a
// trigger raises once; the second runs to the end.
TEST_F(Program, TaiwaneseDesktopsReadBig5MessagesAndRunToTheEnd)
{
    struct Desktop {
        std::string locale;
        std::string serverCharSet;
    };
    const std::vector<Desktop> desktops = {{"zh_TW.UTF-8", "BIG_5"}, {"zh_TW.BIG5", ""}};
    const auto folder = didu::test::privateLocales({"zh_TW.UTF-8", "zh_TW.BIG5"});
    ASSERT_TRUE(folder) << "localedef cannot build the zh_TW locales here";
    const std::string chen = "\xb3\xaf";                                      // 陳
    const std::string blocked = "\xb8\x54\xa4\xee\xa5\x5b\xa4\x4a\xb7\x7c\xad\xfb"; // 禁止加入會員
    auto chens = [&chen](int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += chen;
        return text;
    };
    for (const Desktop& desktop : desktops) {
        SCOPED_TRACE(desktop.locale);
        db.reset();
        db = std::make_unique<TempDatabase>(salesSchema() + "CREATE GENERATOR BLOCK_ONCE;"
                                                            "CREATE EXCEPTION MEMBER_BLOCKED '" + blocked + "';");
        db->execute("CREATE TRIGGER MEMBER_CHECK FOR MEMBER BEFORE INSERT AS BEGIN"
                    " IF (NEW.MEMBER_ID = 'BLOCK' AND GEN_ID(BLOCK_ONCE, 1) = 1) THEN"
                    " EXCEPTION MEMBER_BLOCKED; END");
        const std::string insert = "INSERT INTO CUSTOMER VALUES (?, ?, '02', 'Taipei', '100', 'S1')";
        db->execute(insert, {std::string("BLOCK"), std::string("x")});
        db->execute(insert, {std::string("K1"), chens(11)});
        db->execute(insert, {std::string("K2"), "A" + chens(10)});
        if (!desktop.serverCharSet.empty())
            db->writeConfiguration({{"ServerCharSet", desktop.serverCharSet}});
        db->detach();

        ProgramProcess program({"LOCPATH=" + *folder, "LANG=" + desktop.locale, "LC_ALL=" + desktop.locale});
        // Under Big5 Qt writes the legacy WM_NAME property, which xdotool matches
        // on, in the wrong encoding; _NET_WM_NAME, which desktops show, is right.
        // The window is the program's only one at this point.
        const std::string window = desktop.serverCharSet.empty()
                                       ? didu::test::waitForWindow(program.pid(), ".*", 20s)
                                       : startAndFindWindow(program);
        ASSERT_FALSE(window.empty()) << program.standardError();
        const std::string copied = errorBoxCopiedOnOk(program, window);
        EXPECT_NE(copied.find("MEMBER_BLOCKED\r\n禁止加入會員\r\n"), std::string::npos) << copied;
        if (HasFailure())
            return;

        runToCompletionAndClose(program, window);
        if (HasFatalFailure())
            return;

        const auto rows = db->query("SELECT MEMBER_ID, MEMBER_NAME, CHG_TIME FROM MEMBER ORDER BY MEMBER_ID");
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[1][1], chens(10));
        EXPECT_EQ(rows[2][1], "A" + chens(9)) << "a cut inside a character keeps the whole ones";
        for (const auto& row : rows)
            EXPECT_TRUE(std::regex_match(row[2].value_or(""), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]")))
                << row[2].value_or("NULL");
    }

    // Beside the database's Big5, the engine's text from the system reads as the
    // system writes it: a path with Chinese folders, on the UTF-8 desktop.
    const std::string missing = db->folder() + "/資料/TORDATA.FDB";
    db->writeConfiguration({{"Database", missing}, {"ServerCharSet", "BIG_5"}});
    ProgramProcess program({"LOCPATH=" + *folder, "LANG=zh_TW.UTF-8", "LC_ALL=zh_TW.UTF-8"});
    const std::string window = startAndFindWindow(program);
    ASSERT_FALSE(window.empty()) << program.standardError();
    const std::string copied = errorBoxCopiedOnOk(program, window);
    EXPECT_NE(copied.find("operation for file \"" + missing + "\"\r\n"), std::string::npos) << copied;
    didu::test::pressKeys(window, "Escape");
    EXPECT_EQ(program.wait(10s), 0) << program.standardError();
}

TEST_F(Program, AMissingConfigurationFileShowsTheErrorBoxAndTheWindowStaysUsable)
{
    std::remove(db->connectionFilePath().c_str());
    ProgramProcess program;
    const std::string window = startAndFindWindow(program);
    ASSERT_FALSE(window.empty());

    EXPECT_EQ(errorBoxCopiedOnOk(program, window),
              copyText("Diduradozori",
                       "Driver/Connection Registry File '" + db->connectionFilePath() + "' not found."));
    ASSERT_FALSE(HasFailure());

    // The same window, the same connection object: with the file back, OK works.
    db->writeConfiguration();
    db->detach();
    didu::test::pressKeys(window, "Return");
    const std::string dialog = didu::test::waitForWindow(program.pid(), "Information", 30s);
    ASSERT_FALSE(dialog.empty()) << program.standardError();
    didu::test::pressKeys(dialog, "Return");
    ASSERT_TRUE(didu::test::waitForWindowGone(program.pid(), "Information", 10s));
    didu::test::pressKeys(window, "Escape");
    ASSERT_EQ(program.wait(10s), 0) << program.standardError();
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM MEMBER"), "3");
}

// A window manager on the test's display while it lives: openbox, started here
// unless some manager already runs there, and stopped again.
class WindowManager {
public:
    WindowManager()
    {
        if (!running()) {
            const std::string path = logPath(); // the test's own id, not the child's
            m_pid = ::fork();
            if (m_pid == 0) {
                const int log = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                ::dup2(log, 1);
                ::dup2(log, 2);
                ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
                ::_exit(127);
            }
        }
        // A loaded machine can take seconds to bring a manager up.
        for (int i = 0; i < 400 && !running(); ++i)
            std::this_thread::sleep_for(50ms);
    }
    ~WindowManager()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            std::remove(logPath().c_str());
        }
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    static bool running()
    {
        // The root names the manager's check window, which names itself while
        // the manager lives; the root's word alone may outlive its manager.
        const std::string root = didu::test::shell("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null");
        const auto hash = root.find("# ");
        if (hash == std::string::npos)
            return false;
        const std::string check = root.substr(hash + 2);
        return didu::test::shell("xprop -id " + check + " _NET_SUPPORTING_WM_CHECK 2>/dev/null").find(check)
            != std::string::npos;
    }

    /// What the manager lets the operator do with `window`'s frame, once it
    /// has said so.
    static std::string allowedActions(const std::string& window)
    {
        std::string actions;
        for (int i = 0; i < 100 && actions.find('=') == std::string::npos; ++i) {
            actions = didu::test::shell("xprop -id " + window + " _NET_WM_ALLOWED_ACTIONS 2>/dev/null");
            std::this_thread::sleep_for(20ms);
        }
        return actions;
    }

    /// What openbox said, for a failure's message.
    static std::string log() { return didu::test::shell("cat " + logPath() + " 2>&1"); }

private:
    static std::string logPath() { return "/tmp/didu-e2e-openbox-" + std::to_string(::getpid()) + ".log"; }
    pid_t m_pid = -1;
};

TEST_F(Program, UnderAWindowManagerTheDialogsCanBeClosedButNotResizedOrMaximised)
{
    WindowManager manager;
    ASSERT_TRUE(WindowManager::running()) << "needs openbox (tools/setup.sh installs it): " << WindowManager::log();
    std::remove(db->connectionFilePath().c_str());
    ProgramProcess program;
    const std::string window = startAndFindWindow(program);
    ASSERT_FALSE(window.empty());
    // The window's own frame is an ordinary one, so the manager is heard.
    const std::string windowActions = WindowManager::allowedActions(window);
    EXPECT_NE(windowActions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << windowActions;
    EXPECT_NE(windowActions.find("_NET_WM_ACTION_MAXIMIZE_HORZ"), std::string::npos) << windowActions;

    // (openbox keeps a minimise box on every dialog whatever the dialog asks,
    // so that one is not checked here.)
    auto offersOnlyClosing = [](const std::string& dialog) {
        const std::string actions = WindowManager::allowedActions(dialog);
        EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
        for (const char* refused :
             {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_RESIZE"})
            EXPECT_EQ(actions.find(refused), std::string::npos) << refused << " in " << actions;
    };
    didu::test::pressKeys(window, "Return");
    const std::string box = didu::test::waitForWindow(program.pid(), "Diduradozori", 20s);
    ASSERT_FALSE(box.empty()) << program.standardError();
    offersOnlyClosing(box);
    didu::test::pressKeys(box, "Return");
    ASSERT_TRUE(didu::test::waitForWindowGone(program.pid(), "Diduradozori", 10s));

    db->writeConfiguration();
    db->detach();
    didu::test::pressKeys(window, "Return");
    const std::string dialog = didu::test::waitForWindow(program.pid(), "Information", 30s);
    ASSERT_FALSE(dialog.empty()) << program.standardError();
    offersOnlyClosing(dialog);
    didu::test::pressKeys(dialog, "Return");
    ASSERT_TRUE(didu::test::waitForWindowGone(program.pid(), "Information", 10s));
    didu::test::pressKeys(window, "Escape");
    EXPECT_EQ(program.wait(10s), 0) << program.standardError();
}

TEST_F(Program, WithoutADisplayTheStartupErrorGoesToStandardErrorWithExitCodeOne)
{
    ProgramProcess program({"DISPLAY=:7391", "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY="});
    ASSERT_EQ(program.wait(20s), 1) << program.standardError();
    const std::string error = program.standardError();
    EXPECT_NE(error.find("in module DiduRaDozori at "), std::string::npos) << error;
    EXPECT_NE(error.find("Cannot open display \":7391\"."), std::string::npos) << error;
}

} // namespace
