// The main menu of the real window: help opens the page of the current
// language, a language choice is stored and rebuilds the window in it, and
// the hotkey dialog stores the keys the window then holds.
#include "ui/drui.h"

#include "i18n/language_config.h"
#include "platform/desktop.h"
#include "platform/global_hotkeys.h"
#include "settings/capture_setting.h"
#include "settings/web_links.h"
#include "ui/hotkey_dialog.h"
#include "ui/page_opener.h"

#include "../support/test_support.h"
#include "test_app.h"

#include <QAction>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <gtest/gtest.h>

using i18n::CLanguageConfig;
using ui::DRUI;
using ui::HotkeyDialog;
using ui::SetPageOpener;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

QAction* actionWithData(const QMenu* menu, const QString& data)
{
    for (QAction* a : menu->actions())
        if (a->data().toString() == data)
            return a;
    return nullptr;
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A language choice writes config.ini: work on a copy of the
        // program's language files.
        fs::copy(VTR_APP_FOLDER "/config.ini", app.path() / "config.ini");
        fs::copy(VTR_APP_FOLDER "/Languages", app.path() / "Languages", fs::copy_options::recursive);
        ensureTestApp();
        CLanguageConfig::ResetInstance(QString::fromStdString(app.path().string()));
        window = openTestWindow(home.file("ScreenRecord.ini"));
        SetPageOpener([this](const QString& url) { opened << url; });
    }
    void TearDown() override
    {
        SetPageOpener({});
        window.reset();
        CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
    }
    QMenu* languageMenu() const
    {
        return actionWithData(window->homePage()->titleBand()->mainMenu(), "Language")->menu();
    }

    TempFolder app;
    TempFolder home;
    std::unique_ptr<DRUI> window;
    QStringList opened;
};

} // namespace

TEST_F(Menus, HelpAndLanguageWithTheCurrentLanguageMarked)
{
    ASSERT_NE(window->homePage()->titleBand()->mainMenu(), nullptr);
    EXPECT_EQ(window->homePage()->titleBand()->menuButton()->menu(), window->homePage()->titleBand()->mainMenu());
    const QList<QAction*> top = window->homePage()->titleBand()->mainMenu()->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->data().toString(), "Help");
    EXPECT_EQ(top[0]->text(), CLanguageConfig::Instance()->GetText("MainWnd/Help"));
    EXPECT_EQ(top[1]->data().toString(), "Language");
    EXPECT_EQ(top[2]->data().toString(), "Hotkeys");
    ASSERT_NE(languageMenu(), nullptr);

    const auto& list = CLanguageConfig::Instance()->GetLanguageList();
    const QList<QAction*> entries = languageMenu()->actions();
    ASSERT_EQ(entries.size(), static_cast<qsizetype>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool current = list[i].key == CLanguageConfig::Instance()->GetCurrentLanguage();
        EXPECT_EQ(entries[i]->text(), list[i].name);
        EXPECT_EQ(entries[i]->data().toString(), list[i].key);
        EXPECT_EQ(!entries[i]->icon().isNull(), current) << list[i].key.toStdString();
        EXPECT_EQ(languageMenu()->defaultAction() == entries[i], current);
    }

    window->SetMenuStatus(top[0]);
    window->btnAboutSlot();
    window->btnSupportSlot();
    EXPECT_EQ(
        opened,
        (QStringList{QString(settings::kSiteRoot) + "/orvello/tutorial.html",
                     QString(settings::kSiteRoot) + "/about.html", QString(settings::kSiteRoot) + "/support.html"}));
}

TEST_F(Menus, ChoosingALanguageStoresItAndRebuildsTheWindowInIt)
{
    window->btnEditSlot();
    window->mergePage()->targetTable()->insertRow(0);
    QPointer<QWidget> oldHome = window->homePage();
    QAction* french = actionWithData(languageMenu(), "/French");
    ASSERT_NE(french, nullptr);
    // As a click in the submenu arrives: through the main menu's signal.
    emit window->homePage()->titleBand()->mainMenu()->triggered(french);

    ASSERT_TRUE(QTest::qWaitFor([&] { return oldHome.isNull(); }, 2000)) << "the window was not rebuilt";
    EXPECT_EQ(CLanguageConfig::Instance()->GetCurrentLanguage(), "/French");
    EXPECT_EQ(CLanguageConfig(QString::fromStdString(app.path().string())).GetCurrentLanguage(), "/French");
    EXPECT_EQ(window->pageStack()->currentIndex(), 0);
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 0);
    EXPECT_EQ(actionWithData(window->homePage()->titleBand()->mainMenu(), "Help")->text(),
              CLanguageConfig::Instance()->GetText("MainWnd/Help"));
    EXPECT_NE(CLanguageConfig::Instance()->GetText("MainWnd/Help"), "Help");
    EXPECT_FALSE(actionWithData(languageMenu(), "/French")->icon().isNull());

    window->btnHelpSlot();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QString(settings::kSiteRoot) + "/fr/orvello/tutorial.html");

    // The current language again: stored and rebuilt all the same.
    oldHome = window->homePage();
    emit window->homePage()->titleBand()->mainMenu()->triggered(actionWithData(languageMenu(), "/French"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return oldHome.isNull(); }, 2000));
}

// The hotkey dialog refuses a key no back end can take, stores what it
// shows, and the window holds the new key at once.
TEST_F(Menus, TheHotkeyDialogStoresBothKeysAndTheWindowTakesThemAtOnce)
{
    const std::string settingsFile = home.file("ScreenRecord.ini");
    bool refused = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<HotkeyDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_FALSE(dialog->unavailableLabel()->isVisibleTo(dialog));
        QTest::keyClick(dialog->startStopEdit(), Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyClick(dialog->pauseResumeEdit(), Qt::Key_Home, Qt::ControlModifier);
        dialog->accept();
        refused = dialog->isVisible() && dialog->problemLabel()->isVisibleTo(dialog);
        // Backspace leaves no key: None.
        QTest::keyClick(dialog->pauseResumeEdit(), Qt::Key_Backspace);
        dialog->accept();
    });
    emit window->homePage()->titleBand()->mainMenu()->triggered(
        actionWithData(window->homePage()->titleBand()->mainMenu(), "Hotkeys"));
    EXPECT_TRUE(refused);
    EXPECT_EQ(settings::ReadRecordHotkey(settingsFile), "Ctrl+Alt+R");
    EXPECT_EQ(settings::ReadPauseHotkey(settingsFile), "None");
    auto other = platform::openGlobalHotkeys(platform::currentDesktop().display);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->hold({"Ctrl+Alt+R"}), std::vector<bool>{false});

    HotkeyDialog elsewhere(window.get(), QString::fromStdString(settingsFile), false);
    EXPECT_TRUE(elsewhere.unavailableLabel()->isVisibleTo(&elsewhere));
}
