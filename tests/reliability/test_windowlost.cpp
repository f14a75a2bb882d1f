// The real window over a server that goes away while OK runs: the error box
// shows the composed driver text, the window stays open and answers, further
// presses end at once, and Cancel still closes it.
#include "app/application.h"
#include "app/bitbtn.h"
#include "app/frmdiduradozori.h"
#include "app/informationdialog.h"
#include "app/progressbar.h"
#include "tests/reliability/serverfixture.h"
#include "tests/window/dialogrecorder.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <memory>
#include <optional>

namespace {

class WindowLostServer : public didu::test::ServerTest {
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        dialogs.emplace();
    }
    void TearDown() override
    {
        dialogs.reset();
        ServerTest::TearDown();
    }
    std::optional<didu::test::Dialogs> dialogs;
};

TEST_F(WindowLostServer, ErrorBoxShowsTheDriverTextAndTheWindowStaysUsable)
{
    const int customers = 300;
    prepareRun(customers);

    auto form = std::make_unique<didu::TFormDiduRaDozori>();
    form->showCentred();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // The bar's own signal stops the server between two customers.
    QObject::connect(form->ProgressBar1(), &QProgressBar::valueChanged, [this](int value) {
        if (value == customers / 3 && server->running())
            server->stop();
    });

    const auto started = std::chrono::steady_clock::now();
    form->BitBtn1()->click();
    ASSERT_EQ(dialogs->errors.size(), 1);
    EXPECT_TRUE(dialogs->errors[0].startsWith("dbExpress Error: [0x0065]: SQL Error\r\nSQL Server Error: "))
        << dialogs->errors[0].toStdString();
    EXPECT_TRUE(dialogs->errors[0].contains("connection")) << dialogs->errors[0].toStdString();
    EXPECT_TRUE(dialogs->messages.isEmpty());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->ProgressBar1()->value(), customers / 3);

    // Pressed again, twice, by key and by click: each ends in the error box.
    QTest::keyClick(form->BitBtn1(), Qt::Key_Return);
    form->BitBtn1()->click();
    EXPECT_EQ(dialogs->errors.size(), 3);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 120.0) << "a press waited for the lost server";
    EXPECT_TRUE(form->isVisible());

    server->start();
    EXPECT_EQ(count("SELECT COUNT(*) FROM MEMBER"), customers / 3 - 1);

    // OK once the server is back: the window makes a new connection and the
    // work completes.
    form->BitBtn1()->click();
    EXPECT_EQ(dialogs->errors.size(), 3);
    EXPECT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM MEMBER"), customers);
    form->BitBtn2()->click();
    EXPECT_FALSE(form->isVisible());
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    didu::Application app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
