#include "ui/cut_page.h"

#include "i18n/language_config.h"
#include "library/listing_session.h"
#include "ui/bands.h"
#include "ui/keyboard_access.h"
#include "ui/page_parts.h"
#include "ui/recordings_tables.h"
#include "ui/row_pictures.h"
#include "ui/styles.h"
#include "ui/thumbnail_strip.h"

#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>

#include <tuple>

using i18n::GuiText;
using library::DurationCache;
using library::ListingSession;

namespace ui {

CutPage::CutPage(QWidget* parent, int w, const QString& folder, std::shared_ptr<DurationCache> lengths)
    : QWidget(parent), band_(new TitleBand(this, w, 50)),
      listing_(new ListingSession(std::move(lengths), {}, ListingSession::Lengths::Skip, this))
{
    connect(listing_, &ListingSession::listingShown, this, &CutPage::showListing);
    const int q = w / 4;
    setObjectName(QStringLiteral("cutPage"));
    setFont(ui::calibri(12, true));
    setStyleSheet(ui::kTableFocusMark);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    ui::addBand(box, band_);

    auto* folderRow = ui::rowWithMargins();
    auto* container = new QLabel(this);
    container->setStyleSheet(ui::kPanelStyle);
    // Wide enough for the field and its folder button.
    container->setFixedSize(260, 25);
    cutDirEdit_ = ui::folderEdit(folder, container, QRect(0, 0, 220, 25));
    cutDirEdit_->setAccessibleName(ui::withoutColon(GuiText("MainWnd/VideoDir")));
    cutDirEdit_->installEventFilter(this);
    connect(ui::folderButton(container, QRect(230, 0, 30, 25)), &QPushButton::clicked, this, &CutPage::folderClicked);
    folderRow->addWidget(container);
    folderRow->addSpacing(20);
    keyframeCutNote_ = ui::whiteLabel(GuiText("MainWnd/KeyframeCut"), this);
    keyframeCutNote_->setWordWrap(true);
    keyframeCutNote_->setFont(ui::calibri(10, false));
    keyframeCutNote_->setFixedWidth(w - 320);
    keyframeCutNote_->setVisible(false);
    folderRow->addWidget(keyframeCutNote_);
    folderRow->addStretch();
    box->addLayout(folderRow);

    auto* middle = ui::rowWithMargins();
    cutTable_ = makeCutTable(this);
    ui::nameTable(cutTable_, "MainWnd/Recordings");
    // A column a screen reader can name.
    cutTable_->setHorizontalHeaderLabels({GuiText("MainWnd/FileName")});
    filler_ = new TableFiller(cutTable_);
    new RowPictures(cutTable_, listing_, this);
    connect(cutTable_, &QTableWidget::itemClicked, this, &CutPage::tableClicked);
    connect(cutTable_, &QTableWidget::itemDoubleClicked, this, &CutPage::tableDoubleClicked);
    videoLabel_ = new QLabel(this);
    // The player draws into it by its window id.
    videoLabel_->setAttribute(Qt::WA_NativeWindow);
    videoLabel_->setAlignment(Qt::AlignCenter);
    videoLabel_->setMinimumSize(w - 300, 300);
    middle->addWidget(cutTable_);
    middle->addSpacing(10);
    middle->addWidget(videoLabel_);
    box->addLayout(middle);

    auto* sliderRow = ui::rowWithMargins();
    positionSlider_ = new QSlider(Qt::Horizontal, this);
    positionSlider_->setStyleSheet(ui::sliderSheet());
    positionSlider_->setAccessibleName(GuiText("MainWnd/Position"));
    connect(positionSlider_, &QSlider::sliderMoved, this, &CutPage::sliderMoved);
    positionLabel_ = ui::whiteLabel(QString(), this);
    sliderRow->addWidget(positionSlider_);
    sliderRow->addWidget(positionLabel_);
    box->addLayout(sliderRow);
    box->addWidget(new ThumbnailStrip(this, cutTable_, listing_, positionSlider_));

    auto* bar = new QLabel(this);
    bar->setMinimumSize(w, 40);
    auto place = [](QWidget* widget, int x, int width) { widget->setGeometry(x, 2, width, 25); };
    playButton_ = ui::greyButton(GuiText("MainWnd/Play"), bar);
    playButton_->setIcon(QIcon(QStringLiteral(":/image/play.png")));
    place(playButton_, q, 80);
    connect(playButton_, &QPushButton::clicked, this, &CutPage::playClicked);
    previousFrame_ = ui::greyButton(GuiText("MainWnd/PreviousFrame"), bar);
    place(previousFrame_, q - 180, 80);
    nextFrame_ = ui::greyButton(GuiText("MainWnd/NextFrame"), bar);
    place(nextFrame_, q - 90, 80);
    for (const auto& [button, forward, key, name] :
         {std::tuple{previousFrame_, false, Qt::Key_Comma, "MainWnd/PreviousFrameName"},
          std::tuple{nextFrame_, true, Qt::Key_Period, "MainWnd/NextFrameName"}}) {
        button->setAccessibleName(GuiText(name));
        button->setToolTip(GuiText(name));
        connect(button, &QPushButton::clicked, this, [this, forward = forward] { emit stepClicked(forward); });
        // Typing into the folder field keeps its letters: a line edit takes
        // printable keys before any shortcut.
        auto* shortcut = new QShortcut(QKeySequence(key), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, button = button, forward = forward] {
            if (button->isEnabled())
                emit stepClicked(forward);
        });
    }
    headButton_ = ui::greyButton(GuiText("MainWnd/StartTime"), bar);
    place(headButton_, q + 90, 80);
    connect(headButton_, &QPushButton::clicked, this, &CutPage::startMarkClicked);
    headLabel_ = ui::whiteLabel(QStringLiteral("00:00:00.000"), bar);
    place(headLabel_, q + 180, 100);
    tailButton_ = ui::greyButton(GuiText("MainWnd/EndTime"), bar);
    place(tailButton_, q + 280, 90);
    connect(tailButton_, &QPushButton::clicked, this, &CutPage::endMarkClicked);
    tailLabel_ = ui::whiteLabel(QStringLiteral("00:00:00.000"), bar);
    place(tailLabel_, q + 380, 100);
    cutButton_ = ui::greyButton(GuiText("MainWnd/Cut"), bar);
    cutButton_->setIcon(QIcon(QStringLiteral(":/image/cut.png")));
    place(cutButton_, q + 490, 100);
    connect(cutButton_, &QPushButton::clicked, this, &CutPage::cutClicked);
    QPushButton* back = ui::greyButton(GuiText("MainWnd/Back"), bar);
    place(back, q + 600, 80);
    connect(back, &QPushButton::clicked, this, &CutPage::backClicked);
    for (QPushButton* b : {playButton_, headButton_, tailButton_, cutButton_, previousFrame_, nextFrame_})
        b->setEnabled(false);
    ui::widenRow({previousFrame_, nextFrame_, playButton_, headButton_, headLabel_, tailButton_, tailLabel_, cutButton_, back}, 10, w - 10);
    box->addWidget(bar);
    box->addWidget(new FooterBand(this, w, false));
    ui::pressOnEnter(this);
}

bool CutPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cutDirEdit_ && event->type() == QEvent::FocusOut && !cutDirEdit_->text().isEmpty())
        emit folderEdited(cutDirEdit_->text());
    return QWidget::eventFilter(watched, event);
}

void CutPage::list(const QString& folder)
{
    filler_->clear();
    listing_->list(folder);
}

bool CutPage::listingComplete() const { return listing_->done() && filler_->complete(); }

void CutPage::showListing()
{
    filler_->start(static_cast<int>(listing_->records().size()), [this, icon = RecordingIcon()](int row) {
        showCutRow(cutTable_, row, listing_->records()[static_cast<std::size_t>(row)], icon);
    });
    cutTable_->resizeColumnsToContents();
}

std::string CutPage::selectedName() const
{
    const QList<QTableWidgetItem*> selected = cutTable_->selectedItems();
    return selected.isEmpty() ? std::string() : recordingName(selected.first());
}

void CutPage::showPlaying(bool playing)
{
    playButton_->setText(GuiText(playing ? "MainWnd/Pause" : "MainWnd/Play"));
    playButton_->setIcon(QIcon(QString::fromLatin1(playing ? ":/image/pause.png" : ":/image/play.png")));
}

void CutPage::showPosition(int sliderValue, const QString& label)
{
    positionSlider_->setValue(sliderValue);
    if (!label.isEmpty())
        positionLabel_->setText(label);
}

void CutPage::showLength(int sliderMaximum, const QString& label)
{
    positionLabel_->setText(label);
    positionSlider_->setRange(0, sliderMaximum);
    headButton_->setEnabled(true);
    previousFrame_->setEnabled(true);
    nextFrame_->setEnabled(true);
}

void CutPage::clearMarks()
{
    headLabel_->setText(QStringLiteral("00:00:00.000"));
    tailLabel_->setText(QStringLiteral("00:00:00.000"));
    headButton_->setEnabled(false);
    previousFrame_->setEnabled(false);
    nextFrame_->setEnabled(false);
    keyframeCutNote_->setVisible(false);
    tailButton_->setEnabled(false);
    cutButton_->setEnabled(false);
}

void CutPage::showStartMark(const QString& text)
{
    headLabel_->setText(text);
    tailButton_->setEnabled(true);
}

void CutPage::showEndMark(const QString& text)
{
    tailLabel_->setText(text);
    cutButton_->setEnabled(true);
}

void CutPage::showKeyframeCutNote(bool shown) { keyframeCutNote_->setVisible(shown); }

} // namespace ui
