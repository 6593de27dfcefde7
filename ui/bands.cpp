#include "ui/bands.h"

#include "i18n/language_config.h"
#include "ui/keyboard_access.h"
#include "ui/page_parts.h"
#include "ui/styles.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>

using i18n::CLanguageConfig;
using i18n::GuiText;
using i18n::LanguageEntry;
using ui::whiteLabel;

namespace ui {

TitleBand::TitleBand(QWidget* page, int w, int logoHeight) : QLabel(page)
{
    setStyleSheet(ui::kBandStyle);
    setMinimumSize(w, 50);

    auto* logo = new QLabel(this);
    logo->setAlignment(Qt::AlignLeft);
    logo->setGeometry(15, 6, 30, logoHeight);
    logo->setPixmap(QIcon(QStringLiteral(":/image/logo.png")).pixmap(QSize(30, logoHeight), devicePixelRatioF()));

    QLabel* title = whiteLabel(GuiText("MainWnd/FreeProductName"), this);
    title->setGeometry(65, 12, 300, 30);
    title->setAlignment(Qt::AlignLeft);
    title->setFont(ui::calibri(13, false));

    QLabel* version = whiteLabel(QStringLiteral("Version 2.3.8.8"), this);
    version->setGeometry(w - 200, 0, 100, 30);
    version->setFont(ui::calibri(10, false));

    // Made left to right, the order Tab follows.
    createMainMenu(w - 90);
    menuButton_->setStyleSheet(ui::kMenuIndicatorStyle + ui::kFocusMark);
    connect(titleButton(QStringLiteral(":/image/min.png"), "MainWnd/Minimize", w - 60), &QPushButton::clicked, this,
            &TitleBand::minimizeClicked);
    connect(titleButton(QStringLiteral(":/image/close.png"), "MainWnd/Close", w - 30), &QPushButton::clicked, this,
            &TitleBand::closeClicked);
}

QPushButton* TitleBand::titleButton(const QString& image, const char* name, int x)
{
    auto* button = new QPushButton(this);
    const QSize size = QPixmap(image).size();
    button->setGeometry(x, 5, 40, 20);
    button->setFont(ui::calibri(10, true));
    button->setFlat(true);
    // Loaded by name, so that a 2x screen draws the @2x image.
    button->setIcon(QIcon(image));
    button->setIconSize(size);
    button->resize(size);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(ui::kFocusMark);
    ui::nameImageButton(button, GuiText(name));
    return button;
}

void TitleBand::createMainMenu(int x)
{
    menuButton_ = titleButton(QStringLiteral(":/image/list.png"), "MainWnd/Menu", x);
    // Owned by its button, so that a rebuild takes the old menus with it.
    mainMenu_ = new QMenu(menuButton_);
    mainMenu_->setStyleSheet(ui::kPanelStyle);
    auto* help = new QAction(QIcon(QStringLiteral(":/image/help.png")), GuiText("MainWnd/Help"), mainMenu_);
    help->setData(QStringLiteral("Help"));
    auto* language = new QAction(QIcon(QStringLiteral(":/image/language.png")), GuiText("MainWnd/Language"), mainMenu_);
    language->setData(QStringLiteral("Language"));
    auto* hotkeys = new QAction(GuiText("MainWnd/Hotkeys"), mainMenu_);
    hotkeys->setData(QStringLiteral("Hotkeys"));
    mainMenu_->addAction(help);
    mainMenu_->addAction(language);
    mainMenu_->addAction(hotkeys);
    menuButton_->setMenu(mainMenu_);

    auto* languageMenu = new QMenu(menuButton_);
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
    connect(mainMenu_, &QMenu::triggered, this, &TitleBand::menuTriggered);
}

FooterBand::FooterBand(QWidget* page, int w, bool mergeStyle) : QLabel(page)
{
    setStyleSheet(mergeStyle ? ui::kMergeFooterStyle : ui::kBandStyle);
    setMinimumSize(w, mergeStyle ? 40 : 50);
    QLabel* copyright = whiteLabel(GuiText("MainWnd/Copyright"), this);
    copyright->setGeometry(10, 10, w, 30);
    copyright->setFont(ui::calibri(11, false));
    copyright->setAlignment(Qt::AlignHCenter);
}

} // namespace ui
