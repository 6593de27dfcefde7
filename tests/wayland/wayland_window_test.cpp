// The program's window on a Wayland desktop (scripts/wayland-session.sh with
// XWayland), as a user with a fresh home gets it: a recording started and
// stopped on the Record page, and the Cut page playing it.
#include "platform/files.h"
#include "settings/screencast_token.h"
#include "ui/folder_picker.h"
#include "platform/window_system.h"

#include "../support/test_support.h"
#include "../ui/test_app.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QPushButton>
#include <QTableWidget>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using i18n::GuiText;
using ui::SetFolderPicker;
using platform::QtPlatformToUse;

using namespace testing_support;

TEST(WaylandWindow, RecordsThroughTheRecordPageAndPlaysOnTheCutPage)
{
    const char* xwayland = std::getenv("VTR_XWAYLAND_DISPLAY");
    if (!std::getenv("WAYLAND_DISPLAY") || !std::getenv("DBUS_SESSION_BUS_ADDRESS") || !xwayland)
        GTEST_SKIP() << "needs scripts/wayland-session.sh with VTR_WAYLAND_XWAYLAND=enable";
    // As in a user's session, where X11 clients reach the desktop's XWayland
    // and no platform is chosen, and with the choice the program makes at
    // start-up.
    ::setenv("DISPLAY", xwayland, 1);
    ::unsetenv("QT_QPA_PLATFORM");
    const std::string platformName =
        QtPlatformToUse(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    ASSERT_EQ(platformName, "xcb");
    qputenv("QT_QPA_PLATFORM", platformName.c_str());

    TempFolder home;
    const std::string settingsFile = home.file("config/vantreel-screen-recorder/ScreenRecord.ini");
    const std::string save = home.file("VantreelSave");
    std::filesystem::create_directory(save);
    auto window = openTestWindow(settingsFile);
    std::vector<QString> notices;
    window->showNotice = [&](QWidget*, const QString&, const QString& text) { notices.push_back(text); };
    SetFolderPicker([&](QWidget*) { return QString::fromStdString(save); });
    window->btnSlotLayout2Dir();
    SetFolderPicker({});
    window->btnSlot();

    for (int take = 1; take <= 2; ++take) {
        SCOPED_TRACE("recording " + std::to_string(take));
        QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
        // The desktop shares the screen, then the first frame names the file.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const std::string path = window->recorder().outputPath();
                return !path.empty() && platform::fileExists(path);
            },
            20000));
        const std::string working = window->recorder().outputPath();
        EXPECT_EQ(working.rfind(save, 0), 0u) << working;
        QTest::qWait(3000);
        // The size shown is this take's file's, which has grown by now.
        const QString status = window->recordPage()->recordTimeLabel()->text();
        EXPECT_FALSE(status.endsWith(QStringLiteral("0 Bytes"))) << status.toStdString();
        QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
        ASSERT_TRUE(window->recorder().waitForRun(20000));
        ASSERT_EQ(recordingsIn(save).size(), static_cast<std::size_t>(take));
        const std::string file = window->recorder().outputPath();
        EXPECT_EQ(probe(file, "stream=codec_name"), "aac\nh264\n") << file;
        // From the press: the 3 s after the first frame, and the cast's start
        // before it (its first picture stands for that time).
        EXPECT_GT(probeDuration(file), 2.8) << file;
        EXPECT_LT(probeDuration(file), 5.0) << file;
        // Kept for the next start, which then asks the desktop nothing.
        EXPECT_NE(settings::ReadScreenCastToken(settingsFile), "");
        QTest::qWait(1100); // the next take's name differs by its second
    }
    EXPECT_TRUE(notices.empty()) << notices.front().toStdString();

    window->cutPage()->cutDirEdit()->setText(QString::fromStdString(save));
    window->btnMontageSlot();
    ASSERT_TRUE(waitForListing(*window));
    QTableWidget* table = window->cutPage()->cutTable();
    ASSERT_EQ(table->rowCount(), 2);
    table->selectRow(0);
    window->CutTableItemClick(table->item(0, 0));
    window->btnLayout3Play();
    EXPECT_EQ(window->cutPage()->playButton()->text(), GuiText("MainWnd/Pause"));
    // Playing: the position moves on, and the player draws into the page.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->cutPage()->positionSlider()->value() >= 1; }, 10000))
        << window->cutPage()->positionLabel()->text().toStdString();
    EXPECT_NE(window->player(), nullptr);
    window->btnSlotBack();
    window.reset();
}
