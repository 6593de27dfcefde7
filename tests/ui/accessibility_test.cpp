// Every page of the window in every shipped language, as a screen reader, a
// keyboard user and a reader of the longest translation meet it. ctest runs
// this program twice: at scale 1 and with QT_SCALE_FACTOR=2.
#include "accessibility_check.h"
#include "test_app.h"
#include "ui/bands.h"
#include "ui/home_page.h"
#include "ui/hotkey_dialog.h"
#include "ui/message_box.h"
#include "ui/record_page.h"
#include "ui/scan_ui.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <QKeySequenceEdit>
#include <QPushButton>
#include <QStackedLayout>

#include <cstdio>
#include <string>

using i18n::CLanguageConfig;
using i18n::GuiText;
using i18n::LanguageEntry;
using namespace testing_support;
using ui::CMessageBox;
using ui::DRUI;
using ui::HotkeyDialog;
using ui::SCANUI;

namespace {

const char* const kPages[] = {"home", "record", "cut", "merge"};

class AllLanguages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureTestApp();
        useLanguageCopy(QString::fromStdString(home.path().string()));
        window = openTestWindow(home.file("ScreenRecord.ini"));
    }
    void TearDown() override
    {
        window.reset();
        CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
    }

    // Calls `check` on each page of the window in each language.
    template <typename Check>
    void forEveryPageAndLanguage(Check check)
    {
        for (const LanguageEntry& language : CLanguageConfig::Instance()->GetLanguageList()) {
            CLanguageConfig::Instance()->SetLanguage(language.key);
            window->initUi(false);
            for (int page = 0; page < 4; ++page) {
                window->pageStack()->setCurrentIndex(page);
                check(language.key, (std::string(kPages[page]) + " page").c_str());
            }
        }
    }

    TempFolder home;
    std::unique_ptr<DRUI> window;
};

void expectNone(const QStringList& faults, const QString& language, const char* where)
{
    EXPECT_TRUE(faults.isEmpty()) << language.toStdString() << " " << where << ":\n  "
                                  << faults.join(QStringLiteral("\n  ")).toStdString();
}

} // namespace

TEST_F(AllLanguages, EveryControlIsNamedReachedByTabInReadingOrderAndMarkedWhenFocused)
{
    forEveryPageAndLanguage([&](const QString& language, const char* page) {
        expectNone(a11y::unnamedControls(window.get()), language, page);
        expectNone(a11y::tabOrderProblems(window.get()), language, page);
        if (language == QLatin1String("/English")) {
            expectNone(a11y::unmarkedFocus(window.get()), language, page);
            const a11y::NameCount count = a11y::countNamed(window.get());
            std::printf("%s at %gx: %d of %d controls named\n", page, window->devicePixelRatioF(), count.named,
                        count.controls);
        }
    });
}

TEST_F(AllLanguages, EveryTextFitsItsPlaceAndEveryImageIsSharp)
{
    forEveryPageAndLanguage([&](const QString& language, const char* page) {
        expectNone(a11y::textsThatDoNotFit(window.get()), language, page);
        expectNone(a11y::blurryImages(window.get()), language, page);
    });
}

namespace {

QPushButton* buttonNamed(QWidget* root, const char* key)
{
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        if (button->accessibleName() == GuiText(key) || button->text() == GuiText(key))
            return button;
    }
    return nullptr;
}

} // namespace

TEST(Keyboard, EnterAndSpacePressTheFocusedButton)
{
    TempFolder home;
    auto window = openTestWindow(home.file("ScreenRecord.ini"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QPushButton* record = buttonNamed(window->homePage(), "MainWnd/RecordScreen");
    ASSERT_TRUE(record);
    record->setFocus();
    QTest::keyClick(record, Qt::Key_Return);
    EXPECT_EQ(window->pageStack()->currentIndex(), 1);
    QPushButton* back = buttonNamed(window->recordPage(), "MainWnd/Back");
    ASSERT_TRUE(back);
    back->setFocus();
    QTest::keyClick(back, Qt::Key_Space);
    EXPECT_EQ(window->pageStack()->currentIndex(), 0);
}

// The dialogs: named, in reading order, focused when shown (the hotkey
// dialog on its first field, as its keys are typed there), and the focus
// goes back to the window's control when they close.
TEST(Keyboard, DialogsTakeTheFocusAndGiveItBack)
{
    TempFolder home;
    auto window = openTestWindow(home.file("ScreenRecord.ini"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    CMessageBox notice;
    notice.InitInfo(QStringLiteral("A notice"));
    SCANUI progress;
    HotkeyDialog hotkeys(window.get(), window->settingsPath(), true);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&notice, &progress, &hotkeys}) {
        SCOPED_TRACE(dialog->metaObject()->className());
        window->homePage()->titleBand()->menuButton()->setFocus();
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(focused && dialog->isAncestorOf(focused));
        if (dialog == &hotkeys)
            EXPECT_EQ(focused, hotkeys.startStopEdit());
        else
            EXPECT_EQ(qobject_cast<QPushButton*>(focused)->text(),
                      GuiText(dialog == &notice ? "MainWnd/OK" : "MainWnd/Cancel"));
        const char* name = dialog->metaObject()->className();
        expectNone(a11y::unnamedControls(dialog), {}, name);
        expectNone(a11y::tabOrderProblems(dialog), {}, name);
        expectNone(a11y::textsThatDoNotFit(dialog), {}, name);
        dialog->hide();
        // The window's control is the one that takes the keys once the
        // window is active again. (A bare X server refuses the activation
        // request here: its time stamp is older than the focus change the
        // unmapping made. A window manager activates the window itself.)
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return window->focusWidget() == window->homePage()->titleBand()->menuButton(); }));
    }
}
