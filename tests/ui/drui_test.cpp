// The real main window under the test session's X server and PulseAudio.
#include "ui/drui.h"

#include "i18n/language_config.h"
#include "resources/resources.h"
#include "ui/folder_picker.h"

#include "../support/test_support.h"
#include "test_app.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using i18n::CLanguageConfig;
using namespace testing_support;
using ui::DRUI;
using ui::SetFolderPicker;

namespace {

class DruiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = openTestWindow(home.file("ScreenRecord.ini"));
        ASSERT_TRUE(window->isVisible());
    }
    void TearDown() override
    {
        SetFolderPicker({});
        window.reset();
    }
    QString settingsFile() const { return window->settingsPath(); }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    int page() const { return window->pageStack()->currentIndex(); }

    TempFolder home;
    std::unique_ptr<DRUI> window;
};

} // namespace

TEST_F(DruiTest, FrameIsFixedFramelessAndCentred)
{
    EXPECT_EQ(window->size(), QSize(1000, 600));
    EXPECT_EQ(window->minimumSize(), QSize(1000, 600));
    EXPECT_EQ(window->maximumSize(), QSize(1000, 600));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowTitle(), CLanguageConfig::Instance()->GetText("MainWnd/FreeProductName"));
    EXPECT_FALSE(window->windowTitle().isEmpty());
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(window->pos(), QPoint((desktop.width() - 1000) / 2, (desktop.height() - 600) / 2));
    // Escape must not close a window that has no frame to bring it back.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(DruiTest, WidgetsWhereUsersAndLaterWorkFindThem)
{
    EXPECT_EQ(window->pageStack()->count(), 4);
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(window->recordPage()->recordButton()->geometry(), QRect(850, 2, 100, 35));
    EXPECT_EQ(window->recordPage()->recordButton()->text(), CLanguageConfig::Instance()->GetText("MainWnd/Start"));
    EXPECT_EQ(window->cutPage()->playButton()->geometry(), QRect(250, 2, 80, 25));
    EXPECT_EQ(window->cutPage()->headButton()->geometry(), QRect(340, 2, 80, 25));
    EXPECT_EQ(window->cutPage()->tailButton()->geometry(), QRect(530, 2, 90, 25));
    EXPECT_EQ(window->cutPage()->cutButton()->geometry(), QRect(740, 2, 100, 25));
    EXPECT_EQ(window->mergePage()->mergeButton()->geometry(), QRect(820, 2, 100, 35));
    EXPECT_EQ(window->cutPage()->headLabel()->text(), "00:00:00.000");
    EXPECT_EQ(window->recordPage()->saveDirEdit()->width(), 300);
    EXPECT_FALSE(window->recordPage()->saveDirEdit()->isEnabled());
    EXPECT_FALSE(window->recordPage()->recordTimeLabel()->isVisibleTo(window->recordPage()));
    for (QPushButton* b :
         {window->cutPage()->playButton(), window->cutPage()->headButton(), window->cutPage()->tailButton(),
          window->cutPage()->cutButton(), window->mergePage()->addButton(), window->mergePage()->upButton(),
          window->mergePage()->downButton(), window->mergePage()->deleteButton(), window->mergePage()->mergeButton()})
        EXPECT_FALSE(b->isEnabled());
    // The cut and merge folders start from the save folder.
    EXPECT_EQ(window->cutPage()->cutDirEdit()->text(), window->recordPage()->saveDirEdit()->text());
    EXPECT_EQ(window->mergePage()->mergeDirEdit()->text(), window->recordPage()->saveDirEdit()->text());
}

TEST_F(DruiTest, AudioChoicesFollowTheRealSoundServer)
{
    // The session's server has a sink monitor and a source: every choice.
    QComboBox* combo = window->recordPage()->audioCombo();
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemData(0).toUInt(), 2u);
    EXPECT_EQ(combo->itemData(1).toUInt(), 0u);
    EXPECT_EQ(combo->itemData(2).toUInt(), 1u);
    EXPECT_EQ(combo->itemData(3).toUInt(), 4294967294u);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_FALSE(window->deviceSlots().computerSound().empty());
    EXPECT_FALSE(window->deviceSlots().microphone().empty());
}

TEST_F(DruiTest, NavigationBetweenThePages)
{
    window->btnSlot();
    EXPECT_EQ(page(), 1);
    window->btnSlotBack();
    EXPECT_EQ(page(), 0);
    window->btnEditSlot();
    EXPECT_EQ(page(), 3);
    window->btnSlotBack();
    window->btnMontageSlot();
    EXPECT_EQ(page(), 2);
    window->btnSlotBack();
    EXPECT_EQ(page(), 0);
}

TEST_F(DruiTest, HomeButtonsOpenTheirPages)
{
    const auto buttons = window->homePage()->findChildren<QPushButton*>();
    QList<QPushButton*> big;
    for (QPushButton* b : buttons)
        if (b->size() == QSize(192, 192))
            big.append(b);
    ASSERT_EQ(big.size(), 3);
    std::sort(big.begin(), big.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    const int expected[] = {1, 3, 2}; // record, merge ("edit"), cut
    for (int i = 0; i < 3; ++i) {
        click(big[i]);
        EXPECT_EQ(page(), expected[i]) << "home button " << i;
        window->btnSlotBack();
    }
}

TEST_F(DruiTest, FolderButtonsCancelledOrChosen)
{
    const QString before = window->recordPage()->saveDirEdit()->text();
    const QString freeBefore = window->recordPage()->freeSpaceLabel()->text();
    QFile::remove(settingsFile());
    SetFolderPicker([](QWidget*) { return QString(); });
    window->btnSlotLayout2Dir();
    window->btnSlotLayout3Dir();
    window->btnSlotLayout4Dir();
    EXPECT_EQ(window->recordPage()->saveDirEdit()->text(), before);
    EXPECT_EQ(window->recordPage()->freeSpaceLabel()->text(), freeBefore);
    EXPECT_FALSE(QFile::exists(settingsFile())); // nothing written on a cancel

    TempFolder chosen;
    const QString folder = QString::fromStdString(chosen.path().string()) + "/录像 $x";
    QDir().mkpath(folder);
    SetFolderPicker([&](QWidget*) { return folder; });
    window->btnSlotLayout2Dir();
    EXPECT_EQ(window->recordPage()->saveDirEdit()->text(), folder);
    EXPECT_TRUE(window->recordPage()->freeSpaceLabel()->text().endsWith(" GB")
                || window->recordPage()->freeSpaceLabel()->text().endsWith(" MB")
                || window->recordPage()->freeSpaceLabel()->text().endsWith(" TB"));
    EXPECT_NE(readFile(settingsFile().toStdString()).find("save_path"), std::string::npos);
    // The other pages keep their own folders.
    EXPECT_EQ(window->cutPage()->cutDirEdit()->text(), before);
    EXPECT_EQ(window->mergePage()->mergeDirEdit()->text(), before);
    // A rebuild shows the stored folder.
    window->initUi(false);
    EXPECT_EQ(window->recordPage()->saveDirEdit()->text(), folder);

    // A folder that cannot be stored is told, naming the file, and still used.
    QString told;
    window->showNotice = [&](QWidget*, const QString&, const QString& text) { told = text; };
    writeFile(home.file("plain"), "a file where a folder should be");
    window->setSettingsPath(QString::fromStdString(home.file("plain") + "/ScreenRecord.ini"));
    window->btnSlotLayout2Dir();
    EXPECT_TRUE(told.contains(window->settingsPath())) << told.toStdString();
    EXPECT_EQ(window->recordPage()->saveDirEdit()->text(), folder);
}

TEST_F(DruiTest, LeavingAnEmptyFolderFieldKeepsTheRows)
{
    window->btnEditSlot();
    window->mergePage()->sourceTable()->insertRow(0);
    window->mergePage()->sourceTable()->setItem(0, 0, new QTableWidgetItem("kept.mp4"));
    window->mergePage()->addButton()->setEnabled(true);
    window->mergePage()->mergeDirEdit()->clear();
    // Focus moves only in an active window, which a bare X server may never
    // grant: deliver the focus change itself.
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(window->mergePage()->mergeDirEdit(), &focusOut);
    EXPECT_EQ(window->mergePage()->sourceTable()->rowCount(), 1);
    EXPECT_FALSE(window->mergePage()->addButton()->isEnabled());
}

TEST_F(DruiTest, RebuildMakesEveryPageAnew)
{
    QPointer<QWidget> oldPages[] = {window->homePage(), window->recordPage(), window->cutPage(), window->mergePage()};
    QPointer<QTimer> timer = window->recordTimer();
    window->btnEditSlot();
    window->mergePage()->targetTable()->insertRow(0);
    window->initUi(false);
    for (const auto& p : oldPages)
        EXPECT_TRUE(p.isNull());
    EXPECT_EQ(window->pageStack()->count(), 4);
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 0);
    EXPECT_EQ(window->recordTimer(), timer.data()); // one timer for the window's life
    EXPECT_EQ(window->recordPage()->audioCombo()->currentIndex(), 0);
}

TEST_F(DruiTest, DraggingABandMovesTheWindow)
{
    // Under a bare X server there is no window manager to move the window,
    // so the window moves itself.
    const QPoint start = window->pos();
    QWidget* band = window->homePage()->childAt(300, 20);
    ASSERT_NE(band, nullptr);
    const QPoint local(300, 20);
    const QPoint global = window->mapToGlobal(local);
    auto send = [&](QEvent::Type type, QPoint g, Qt::MouseButtons buttons) {
        QMouseEvent e(type, band->mapFromGlobal(g), g, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(band, &e);
    };
    send(QEvent::MouseButtonPress, global, Qt::LeftButton);
    send(QEvent::MouseMove, global + QPoint(40, 30), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, global + QPoint(40, 30), Qt::NoButton);
    QApplication::processEvents();
    EXPECT_EQ(window->pos(), start + QPoint(40, 30));
}
