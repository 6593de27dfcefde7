// The page builders of the main window: every page is rebuilt as a whole, so
// a language switch shows every text anew.
#include "ui/drui.h"

#include "library/recordings_tables.h"

#include "audio/audio_combo.h"
#include "encoder/record_run.h"
#include "i18n/language_config.h"
#include "settings/save_folder.h"
#include "ui/keyboard_access.h"
#include "ui/styles.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kWhiteText = QStringLiteral("color: white;");

QLabel* whiteLabel(const QString& content, QWidget* parent)
{
    auto* label = new QLabel(content, parent);
    label->setStyleSheet(kWhiteText);
    return label;
}

QPushButton* greyButton(const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(ui::greyButtonSheet());
    return button;
}

QPushButton* folderButton(QWidget* parent, const QRect& geometry)
{
    auto* button = new QPushButton(parent);
    button->setIcon(QIcon(QStringLiteral(":/image/folder.png")));
    button->setGeometry(geometry);
    button->setStyleSheet(ui::kFocusMark);
    ui::nameImageButton(button, GuiText("MainWnd/ChooseFolder"));
    return button;
}

// Tab leaves a table for the next control; the arrow keys move in it.
void nameTable(QTableWidget* table, const char* key)
{
    table->setAccessibleName(GuiText(key));
    table->setTabKeyNavigation(false);
    ui::fitHeaders(table);
}

QLineEdit* folderEdit(const QString& folder, QWidget* parent, const QRect& geometry)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    edit->setStyleSheet(ui::kFieldBorderStyle);
    edit->setText(folder);
    edit->setCursorPosition(1);
    return edit;
}

QHBoxLayout* rowWithMargins()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 0, 20, 0);
    return row;
}

} // namespace

QPushButton* DRUI::createTitleButton(int kind, int x, QWidget* parent)
{
    QPushButton* button = nullptr;
    QString image;
    const char* name = nullptr;
    switch (kind) {
    case 1:
        button = new QPushButton(parent);
        image = QStringLiteral(":/image/close.png");
        name = "MainWnd/Close";
        connect(button, &QPushButton::clicked, this, &DRUI::btnCloseSlot);
        break;
    case 2:
        button = new QPushButton(parent);
        image = QStringLiteral(":/image/min.png");
        name = "MainWnd/Minimize";
        connect(button, &QPushButton::clicked, this, &DRUI::btnMinSlot);
        break;
    case 3:
        createMainMenu(parent);
        button = menuButton;
        image = QStringLiteral(":/image/list.png");
        name = "MainWnd/Menu";
        break;
    default:
        return nullptr;
    }
    const QSize size = QPixmap(image).size();
    button->setGeometry(x, 5, 40, 20);
    button->setFont(ui::calibri(10, true));
    button->setFlat(true);
    // Loaded by name, so that a 2x screen draws the @2x image.
    button->setIcon(QIcon(image));
    button->setIconSize(size);
    button->resize(size);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(kind == 3 ? ui::kMenuIndicatorStyle + ui::kFocusMark : ui::kFocusMark);
    ui::nameImageButton(button, GuiText(name));
    return button;
}

QLabel* DRUI::createTitleBand(QWidget* page, int logoHeight)
{
    const int w = width();
    auto* band = new QLabel(page);
    band->setStyleSheet(ui::kBandStyle);
    band->setMinimumSize(w, 50);

    auto* logo = new QLabel(band);
    logo->setAlignment(Qt::AlignLeft);
    logo->setGeometry(15, 6, 30, logoHeight);
    logo->setPixmap(QIcon(QStringLiteral(":/image/logo.png")).pixmap(QSize(30, logoHeight), devicePixelRatioF()));

    QLabel* title = whiteLabel(GuiText("MainWnd/FreeProductName"), band);
    title->setGeometry(65, 12, 300, 30);
    title->setAlignment(Qt::AlignLeft);
    title->setFont(ui::calibri(13, false));

    QLabel* version = whiteLabel(QStringLiteral("Version 2.3.8.8"), band);
    version->setGeometry(w - 200, 0, 100, 30);
    version->setFont(ui::calibri(10, false));

    // Made left to right, the order Tab follows.
    for (int kind = 3; kind >= 1; --kind)
        createTitleButton(kind, w - 30 * kind, band);
    return band;
}

QLabel* DRUI::createFooterBand(QWidget* page, bool mergeStyle)
{
    const int w = width();
    auto* band = new QLabel(page);
    band->setStyleSheet(mergeStyle ? ui::kMergeFooterStyle : ui::kBandStyle);
    band->setMinimumSize(w, mergeStyle ? 40 : 50);
    QLabel* copyright = whiteLabel(GuiText("MainWnd/Copyright"), band);
    copyright->setGeometry(10, 10, w, 30);
    copyright->setFont(ui::calibri(11, false));
    copyright->setAlignment(Qt::AlignHCenter);
    return band;
}

namespace {

// The title band sits alone in a box of its own, as on every page.
void addBand(QVBoxLayout* page, QLabel* band)
{
    auto* box = new QHBoxLayout;
    box->setSpacing(0);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(band);
    page->addLayout(box);
}

} // namespace

void DRUI::createHomePage()
{
    delete homePage;
    homePage = new QWidget(this);
    auto* box = new QVBoxLayout(homePage);
    box->setSpacing(5);
    box->setContentsMargins(0, 0, 0, 0);
    addBand(box, createTitleBand(homePage, 40));
    box->addStretch(3);

    struct Entry {
        const char* image;
        const char* name;
        void (DRUI::*slot)();
        QMargins margins;
    };
    const Entry entries[] = {
        {":/image/rec.png", "MainWnd/RecordScreen", &DRUI::btnSlot, {60, 0, 0, 0}},
        {":/image/edit.png", "MainWnd/MergeVideos", &DRUI::btnEditSlot, {30, 0, 30, 0}},
        {":/image/cut_main.png", "MainWnd/CutVideo", &DRUI::btnMontageSlot, {30, 0, 60, 0}},
    };
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    for (const Entry& e : entries) {
        const QString image = QString::fromLatin1(e.image);
        const QSize size = QPixmap(image).size();
        auto* button = new QPushButton(homePage);
        button->setIcon(QIcon(image));
        button->setIconSize(size);
        button->setFixedSize(size);
        button->setStyleSheet(ui::homeButtonSheet() + ui::kFocusMark);
        ui::nameImageButton(button, GuiText(e.name));
        QPalette palette = button->palette();
        palette.setColor(QPalette::WindowText, QColor(54, 75, 75));
        palette.setColor(QPalette::ButtonText, QColor(54, 75, 75));
        button->setPalette(palette);
        button->setFont(ui::calibri(11, true));
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, e.slot);
        auto* cell = new QHBoxLayout;
        cell->setContentsMargins(e.margins);
        cell->addWidget(button);
        row->addLayout(cell);
    }
    box->addLayout(row);
    box->addStretch(3);
    box->addWidget(createFooterBand(homePage, false));
    ui::pressOnEnter(homePage);
}

void DRUI::createRecordPage()
{
    const int w = width();
    delete recordPage;
    recordPage = new QWidget(this);
    recordPage->setFont(ui::calibri(12, true));
    auto* box = new QVBoxLayout(recordPage);
    box->setSpacing(5);
    box->setContentsMargins(0, 0, 0, 0);
    addBand(box, createTitleBand(recordPage, 40));
    box->addStretch(3);

    auto* panel = new QLabel(recordPage);
    panel->setStyleSheet(ui::kPanelStyle);
    panel->setMinimumSize(300, 320);
    auto* panelBox = new QVBoxLayout;
    panelBox->setContentsMargins(50, 50, 50, 50);
    panelBox->addWidget(panel);
    box->addLayout(panelBox);

    auto* audioCaption = new QLabel(GuiText("MainWnd/Audio"), panel);
    audioCaption->setGeometry(50, 80, 120, 25);
    audioCombo = new QComboBox(panel);
    audioCombo->setGeometry(180, 80, 300, 25);
    audioCaption->setBuddy(audioCombo);
    connect(audioCombo, &QComboBox::currentIndexChanged, this, &DRUI::ComBoxIndexChange);
    audio::discoverAudioChoices(*audioCombo, m_deviceSlots,
                                audio::AudioEntryTexts::fromLookup([](const QString& key) {
                                    return CLanguageConfig::Instance()->GetText(key.toLatin1().constData());
                                }));
    audio::appendNoneEntry(*audioCombo, GuiText("MainWnd/NoSound"));
    audioCombo->setCurrentIndex(0);

    recordTimeLabel = new QLabel(panel);
    recordTimeLabel->setFont(ui::calibri(18, true));
    // Five lines of text; a font whose lines are taller than Calibri's
    // (Carlito) needs more than 150 pixels to show them all.
    recordTimeLabel->setGeometry(600, 50, 600, std::max(150, 5 * recordTimeLabel->fontMetrics().lineSpacing()));
    recordTimeLabel->setStyleSheet(QStringLiteral("color: red;"));
    recordTimeLabel->setVisible(g_recording.load());

    auto* saveCaption = new QLabel(GuiText("MainWnd/SaveDir"), panel);
    saveCaption->setGeometry(50, 120, 120, 25);
    saveDirEdit = folderEdit(QString::fromStdString(settings::ReadSaveFolder(m_settingsPath.toStdString())), panel,
                             QRect(180, 120, 300, 25));
    saveCaption->setBuddy(saveDirEdit);
    saveDirEdit->setEnabled(false);
    // Disabled only so that the folder button is the one way to change it:
    // its text must still read on the grey panel, as it does on Windows.
    QPalette readable = saveDirEdit->palette();
    readable.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
    saveDirEdit->setPalette(readable);
    connect(folderButton(panel, QRect(500, 120, 30, 25)), &QPushButton::clicked, this, &DRUI::btnSlotLayout2Dir);

    auto* freeCaption = new QLabel(GuiText("MainWnd/FreeSpace"), panel);
    freeCaption->setGeometry(50, 170, 200, 25);
    freeSpaceLabel = new QLabel(GuiText("MainWnd/Unknow"), panel);
    freeSpaceLabel->setGeometry(220, 170, 100, 25);
    freeCaption->setBuddy(freeSpaceLabel);
    if (!saveDirEdit->text().isEmpty())
        freeSpaceLabel->setText(freeSpaceText(saveDirEdit->text()));

    QString description = GuiText("MainWnd/ScreenDescri");
    description.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    auto* descriptionLabel = new QLabel(description, panel);
    descriptionLabel->setGeometry(50, 220, 800, 50);
    // Longer translations take a second line.
    descriptionLabel->setWordWrap(true);

    box->addStretch(3);
    auto* bar = new QLabel(recordPage);
    bar->setMinimumSize(w, 40);
    QPushButton* back = greyButton(GuiText("MainWnd/Back"), bar);
    back->setGeometry(50, 2, 100, 35);
    connect(back, &QPushButton::clicked, this, &DRUI::btnSlotBack);
    recordButton = greyButton(GuiText(g_recording.load() ? "MainWnd/Stop" : "MainWnd/Start"), bar);
    recordButton->setGeometry(w - 150, 2, 100, 35);
    connect(recordButton, &QPushButton::clicked, this, &DRUI::btnSlotRecord);
    ui::widenRow({back}, 0, recordButton->x() - 10);
    ui::widenRow({recordButton}, back->geometry().right() + 10, w - 10);
    box->addWidget(bar);
    box->addWidget(createFooterBand(recordPage, false));
    ui::pressOnEnter(recordPage);
}

void DRUI::createCutPage()
{
    const int w = width();
    const int q = w / 4;
    delete cutPage;
    cutPage = new QWidget(this);
    cutPage->setFont(ui::calibri(12, true));
    cutPage->setStyleSheet(ui::kTableFocusMark);
    auto* box = new QVBoxLayout(cutPage);
    box->setContentsMargins(0, 0, 0, 0);
    addBand(box, createTitleBand(cutPage, 50));

    auto* folderRow = rowWithMargins();
    auto* container = new QLabel(cutPage);
    container->setStyleSheet(ui::kPanelStyle);
    container->setMinimumSize(200, 25);
    cutDirEdit = folderEdit(saveDirEdit->text(), container, QRect(0, 0, 220, 25));
    cutDirEdit->setAccessibleName(ui::withoutColon(GuiText("MainWnd/VideoDir")));
    connect(folderButton(container, QRect(230, 0, 30, 25)), &QPushButton::clicked, this, &DRUI::btnSlotLayout3Dir);
    folderRow->addWidget(container);
    folderRow->addSpacing(w - 300);
    box->addLayout(folderRow);

    auto* middle = rowWithMargins();
    cutTable = makeCutTable(cutPage);
    nameTable(cutTable, "MainWnd/Recordings");
    // A column a screen reader can name.
    cutTable->setHorizontalHeaderLabels({GuiText("MainWnd/FileName")});
    connect(cutTable, &QTableWidget::itemClicked, this, &DRUI::CutTableItemClick);
    connect(cutTable, &QTableWidget::itemDoubleClicked, this, &DRUI::CutTableItemDoubleClick);
    videoLabel = new QLabel(cutPage);
    // The player draws into it by its window id.
    videoLabel->setAttribute(Qt::WA_NativeWindow);
    videoLabel->setAlignment(Qt::AlignCenter);
    videoLabel->setMinimumSize(w - 300, 300);
    middle->addWidget(cutTable);
    middle->addSpacing(10);
    middle->addWidget(videoLabel);
    box->addLayout(middle);

    auto* sliderRow = rowWithMargins();
    positionSlider = new QSlider(Qt::Horizontal, cutPage);
    positionSlider->setStyleSheet(ui::sliderSheet());
    positionSlider->setAccessibleName(GuiText("MainWnd/Position"));
    connect(positionSlider, &QSlider::sliderMoved, this, &DRUI::current);
    positionLabel = whiteLabel(QString(), cutPage);
    sliderRow->addWidget(positionSlider);
    sliderRow->addWidget(positionLabel);
    box->addLayout(sliderRow);

    auto* bar = new QLabel(cutPage);
    bar->setMinimumSize(w, 40);
    auto place = [](QWidget* widget, int x, int width) { widget->setGeometry(x, 2, width, 25); };
    playButton = greyButton(GuiText("MainWnd/Play"), bar);
    playButton->setIcon(QIcon(QStringLiteral(":/image/play.png")));
    place(playButton, q, 80);
    connect(playButton, &QPushButton::clicked, this, &DRUI::btnLayout3Play);
    headButton = greyButton(GuiText("MainWnd/StartTime"), bar);
    place(headButton, q + 90, 80);
    connect(headButton, &QPushButton::clicked, this, &DRUI::btnSetHead);
    headLabel = whiteLabel(QStringLiteral("00:00"), bar);
    place(headLabel, q + 180, 100);
    tailButton = greyButton(GuiText("MainWnd/EndTime"), bar);
    place(tailButton, q + 280, 90);
    connect(tailButton, &QPushButton::clicked, this, &DRUI::btnSetTail);
    tailLabel = whiteLabel(QStringLiteral("00:00"), bar);
    place(tailLabel, q + 380, 100);
    cutButton = greyButton(GuiText("MainWnd/Cut"), bar);
    cutButton->setIcon(QIcon(QStringLiteral(":/image/cut.png")));
    place(cutButton, q + 490, 100);
    connect(cutButton, &QPushButton::clicked, this, &DRUI::btnSlotLayout3Cut);
    QPushButton* back = greyButton(GuiText("MainWnd/Back"), bar);
    place(back, q + 600, 80);
    connect(back, &QPushButton::clicked, this, &DRUI::btnSlotBack);
    for (QPushButton* b : {playButton, headButton, tailButton, cutButton})
        b->setEnabled(false);
    ui::widenRow({playButton, headButton, headLabel, tailButton, tailLabel, cutButton, back}, 10, w - 10);
    box->addWidget(bar);
    box->addWidget(createFooterBand(cutPage, false));
    ui::pressOnEnter(cutPage);
}

void DRUI::createMergePage()
{
    const int w = width();
    delete mergePage;
    mergePage = new QWidget(this);
    mergePage->setFont(ui::calibri(11, true));
    mergePage->setStyleSheet(ui::kTableFocusMark);
    auto* box = new QVBoxLayout(mergePage);
    box->setSpacing(0);
    box->setContentsMargins(0, 0, 0, 0);
    addBand(box, createTitleBand(mergePage, 50));

    auto* folderRow = rowWithMargins();
    auto* container = new QLabel(mergePage);
    container->setStyleSheet(ui::kPanelStyle);
    container->setMinimumSize(300, 25);
    auto* folderCaption = new QLabel(GuiText("MainWnd/VideoDir"), container);
    folderCaption->setGeometry(10, 0, 140, 25);
    mergeDirEdit = folderEdit(saveDirEdit->text(), container, QRect(150, 0, 240, 25));
    folderCaption->setBuddy(mergeDirEdit);
    ui::fitCaption(folderCaption, mergeDirEdit);
    connect(folderButton(container, QRect(383, 0, 30, 25)), &QPushButton::clicked, this, &DRUI::btnSlotLayout4Dir);
    folderRow->addWidget(container);
    folderRow->addSpacing(w - 450);
    box->addLayout(folderRow);
    box->addSpacing(2);

    auto listButton = [this](const char* image, const char* name, void (DRUI::*slot)()) {
        auto* button = new QPushButton(mergePage);
        button->setIcon(QIcon(QString::fromLatin1(image)));
        button->setMinimumSize(60, 25);
        button->setStyleSheet(ui::greyButtonSheet());
        ui::nameImageButton(button, GuiText(name));
        button->setCursor(Qt::PointingHandCursor);
        button->setEnabled(false);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    auto* middle = rowWithMargins();
    sourceTable = makeSourceTable(mergePage);
    nameTable(sourceTable, "MainWnd/Recordings");
    connect(sourceTable, &QTableWidget::itemClicked, this, &DRUI::SourceTableItemClick);
    connect(sourceTable, &QTableWidget::itemDoubleClicked, this, &DRUI::SourceTableItemDoubleClick);
    targetTable = makeTargetTable(mergePage);
    nameTable(targetTable, "MainWnd/MergeList");
    connect(targetTable, &QTableWidget::itemClicked, this, &DRUI::TargetTableItemClick);
    addButton = listButton(":/image/add.png", "MainWnd/AddToList", &DRUI::btnAddSlot);
    upButton = listButton(":/image/up.png", "MainWnd/MoveUp", &DRUI::btnUpSlot);
    downButton = listButton(":/image/down.png", "MainWnd/MoveDown", &DRUI::btnDownSlot);
    deleteButton = listButton(":/image/delete.png", "MainWnd/RemoveFromList", &DRUI::btnDelSlot);
    // Tab reads across: the list, its add button, the merge list, its order.
    QWidget* const tabOrder[] = {sourceTable, addButton, targetTable, upButton, downButton, deleteButton};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    middle->addWidget(sourceTable);
    middle->addSpacing(4);
    auto* addColumn = new QVBoxLayout;
    addColumn->addStretch(5);
    addColumn->addWidget(addButton);
    addColumn->addStretch(5);
    middle->addLayout(addColumn);
    middle->addSpacing(4);
    middle->addWidget(targetTable);
    middle->addSpacing(4);
    auto* orderColumn = new QVBoxLayout;
    orderColumn->addStretch(5);
    orderColumn->addWidget(upButton);
    orderColumn->addSpacing(4);
    orderColumn->addWidget(downButton);
    orderColumn->addSpacing(4);
    orderColumn->addWidget(deleteButton);
    orderColumn->addStretch(5);
    middle->addLayout(orderColumn);
    box->addLayout(middle);
    box->addSpacing(4);

    auto* bottom = new QVBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QLabel(mergePage);
    bar->setMinimumSize(w, 40);
    QPushButton* back = greyButton(GuiText("MainWnd/Back"), bar);
    back->setGeometry(20, 2, 100, 35);
    connect(back, &QPushButton::clicked, this, &DRUI::btnSlotBack);
    mergeButton = greyButton(GuiText("MainWnd/Merge"), bar);
    mergeButton->setGeometry(w - 180, 2, 100, 35);
    mergeButton->setEnabled(false);
    connect(mergeButton, &QPushButton::clicked, this, &DRUI::btnSlotLayout4Merge);
    ui::widenRow({back}, 0, mergeButton->x() - 10);
    ui::widenRow({mergeButton}, back->geometry().right() + 10, w - 10);
    bottom->addWidget(bar);
    bottom->addWidget(createFooterBand(mergePage, true));
    box->addLayout(bottom);
    ui::pressOnEnter(mergePage);
}
