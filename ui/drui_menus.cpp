// The main menu of every title bar (help, and the interface language) and
// the slots that open the web site's pages.
#include "ui/drui.h"

#include "i18n/language_config.h"
#include "settings/web_links.h"
#include "ui/page_opener.h"
#include "ui/styles.h"

#include <QAction>
#include <QDesktopServices>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

void DRUI::createMainMenu(QWidget* band)
{
    menuButton = new QPushButton(band);
    // Owned by its button, so that a rebuild takes the old menus with it.
    mainMenu = new QMenu(menuButton);
    mainMenu->setStyleSheet(ui::kPanelStyle);
    auto* help = new QAction(QIcon(QStringLiteral(":/image/help.png")), GuiText("MainWnd/Help"), mainMenu);
    help->setData(QStringLiteral("Help"));
    auto* language = new QAction(QIcon(QStringLiteral(":/image/language.png")), GuiText("MainWnd/Language"), mainMenu);
    language->setData(QStringLiteral("Language"));
    mainMenu->addAction(help);
    mainMenu->addAction(language);
    menuButton->setMenu(mainMenu);

    auto* languageMenu = new QMenu(menuButton);
    languageMenu->setStyleSheet(ui::kPanelStyle);
    const CLanguageConfig* languages = CLanguageConfig::Instance();
    for (const LanguageEntry& entry : languages->GetLanguageList()) {
        auto* action = new QAction(QIcon(), entry.name, languageMenu);
        action->setData(entry.key);
        if (entry.key == languages->GetCurrentLanguage()) {
            action->setIcon(QIcon(QStringLiteral(":/image/dot.png")));
            languageMenu->setDefaultAction(action);
        }
        languageMenu->addAction(action);
    }
    language->setMenu(languageMenu);
    // The language entries reach this too: a menu reports what is chosen in
    // its submenus.
    connect(mainMenu, &QMenu::triggered, this, &DRUI::SetMenuStatus);
}

void DRUI::SetMenuStatus(QAction* action)
{
    const QString key = action->data().toString();
    if (key == QLatin1String("Help")) {
        btnHelpSlot();
    } else if (key == QLatin1String("Support")) {
        btnSupportSlot();
    } else if (!CLanguageConfig::Instance()->SetLanguage(key)) {
        showNotice(this, GuiText("MainWnd/Recorder"),
                   GuiText("Messages/MSG1019").arg(CLanguageConfig::Instance()->configPath()));
    } else {
        // Rebuilt, web links included, once the menu that asked has finished
        // with its signal: the rebuild deletes that menu.
        QTimer::singleShot(0, this, [this] { initUi(false); });
    }
}

void DRUI::btnHelpSlot() { OpenPage(QString::fromStdString(settings::webLinks().help)); }

void DRUI::btnSupportSlot() { OpenPage(QString::fromStdString(settings::webLinks().support)); }

void DRUI::btnAboutSlot() { OpenPage(QString::fromStdString(settings::webLinks().about)); }

void DRUI::btnOpenUrl(QString url) { QDesktopServices::openUrl(QUrl(url)); }

void DRUI::btnMenButtonSlot() {}
