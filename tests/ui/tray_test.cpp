// Where the window goes while recording, with and without a system tray host
// on the screen. The tray host (trayer) is real and started on the session's
// screen, which every window test shares: these tests run alone.
#include "ui/drui.h"

#include "recording/record_run.h"
#include "platform/live_children.h"
#include "ui/folder_picker.h"
#include "ui/record_page.h"
#include "ui/record_tray.h"

#include "../support/test_support.h"
#include "test_app.h"

#include <QProcess>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

#include <filesystem>
#include <gtest/gtest.h>

using i18n::GuiText;
using namespace testing_support;
using ui::DRUI;
using ui::SetFolderPicker;

namespace {

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureTestApp();
        ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "a tray host is already on this screen";
    }
    void openWindow()
    {
        window = openTestWindow(save.file("ScreenRecord.ini"));
        const QString folder = QString::fromStdString(save.path().string());
        SetFolderPicker([folder](QWidget*) { return folder; });
        window->btnSlotLayout2Dir();
        window->showNotice = [](QWidget*, const QString&, const QString& message) {
            ADD_FAILURE() << message.toStdString();
        };
        window->btnSlot(); // to the record page
    }
    void TearDown() override
    {
        SetFolderPicker({});
        if (window) {
            if (window->recorder().recording())
                window->btnSlotRecord();
            EXPECT_TRUE(window->recorder().waitForRun(10000));
        }
        window.reset();
        stopTrayHost();
        EXPECT_EQ(platform::liveChildCount(), 0);
    }
    void startTrayHost()
    {
        trayHost.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "200"});
        ASSERT_TRUE(trayHost.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000));
    }
    void stopTrayHost()
    {
        if (trayHost.state() == QProcess::NotRunning)
            return;
        trayHost.terminate();
        trayHost.waitForFinished(5000);
        EXPECT_TRUE(QTest::qWaitFor([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));
    }
    QString productName() const { return GuiText("MainWnd/FreeProductName"); }
    // The record page with Stop, as restoring the window shows it.
    void expectRecordPageWithStop()
    {
        EXPECT_TRUE(window->recordPage()->recordButton()->isVisible());
        EXPECT_EQ(window->recordPage()->recordButton()->text(), GuiText("MainWnd/Stop"));
    }
    void expectStoppedWindow()
    {
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isMinimized());
        EXPECT_EQ(window->windowTitle(), productName());
        EXPECT_EQ(window->recordPage()->recordButton()->text(), GuiText("MainWnd/Start"));
    }

    TempFolder save;
    QProcess trayHost;
    std::unique_ptr<DRUI> window;
};

} // namespace

TEST_F(TrayTest, WithoutATrayHostStartMinimisesAndTheTitleShowsTheTime)
{
    openWindow();
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(window->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "00:00:02 - " + productName(); }, 5000))
        << window->windowTitle().toStdString();

    window->showNormal(); // what the taskbar does
    expectRecordPageWithStop();
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    expectStoppedWindow();
    ASSERT_TRUE(window->recorder().waitForRun(10000));
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(save.path()))
        files += e.path().extension() == ".mp4";
    EXPECT_EQ(files, 1);
}

TEST_F(TrayTest, WithATrayHostStartHidesAndALostTrayBringsTheWindowBack)
{
    startTrayHost();
    openWindow();
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(window->tray().icon()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->tray().icon()->geometry().isEmpty(); }, 5000)); // docked
    QTest::qWait(600);
    EXPECT_TRUE(window->isHidden()); // ticks leave it in the tray

    // The tray goes away: the next tick puts the window in the taskbar.
    stopTrayHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isVisible(); }, 2000));
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->windowTitle().endsWith(" - " + productName()));
    window->showNormal();
    expectRecordPageWithStop();
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    expectStoppedWindow();
}
