#include "ui/merge_page.h"

#include "i18n/language_config.h"
#include "library/listing_session.h"
#include "library/recordings_listing.h"
#include "ui/bands.h"
#include "ui/keyboard_access.h"
#include "ui/page_parts.h"
#include "ui/recordings_tables.h"
#include "ui/row_pictures.h"
#include "ui/styles.h"
#include "library/length_probe.h"

#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using i18n::GuiText;
using library::DurationCache;
using library::ListingSession;
using library::RecordingPath;
using library::DurationProbe;

namespace ui {

MergePage::MergePage(QWidget* parent, int w, const QString& folder, std::shared_ptr<DurationCache> lengths,
                     DurationProbe probe)
    : QWidget(parent), band_(new TitleBand(this, w, 50)),
      listing_(new ListingSession(std::move(lengths), std::move(probe), ListingSession::Lengths::Read, this))
{
    connect(listing_, &ListingSession::listingShown, this, &MergePage::showListing);
    connect(listing_, &ListingSession::lengthKnown, this, &MergePage::showLength);
    setObjectName(QStringLiteral("mergePage"));
    setFont(ui::calibri(11, true));
    setStyleSheet(ui::kTableFocusMark);
    auto* box = new QVBoxLayout(this);
    box->setSpacing(0);
    box->setContentsMargins(0, 0, 0, 0);
    ui::addBand(box, band_);

    auto* folderRow = ui::rowWithMargins();
    auto* container = new QLabel(this);
    container->setStyleSheet(ui::kPanelStyle);
    container->setMinimumSize(300, 25);
    auto* folderCaption = new QLabel(GuiText("MainWnd/VideoDir"), container);
    folderCaption->setGeometry(10, 0, 140, 25);
    mergeDirEdit_ = ui::folderEdit(folder, container, QRect(150, 0, 240, 25));
    folderCaption->setBuddy(mergeDirEdit_);
    ui::fitCaption(folderCaption, mergeDirEdit_);
    mergeDirEdit_->installEventFilter(this);
    connect(ui::folderButton(container, QRect(383, 0, 30, 25)), &QPushButton::clicked, this, &MergePage::folderClicked);
    folderRow->addWidget(container);
    folderRow->addSpacing(w - 450);
    box->addLayout(folderRow);
    box->addSpacing(2);

    auto listButton = [this](const char* image, const char* name, void (MergePage::*signal)()) {
        auto* button = new QPushButton(this);
        button->setIcon(QIcon(QString::fromLatin1(image)));
        button->setMinimumSize(60, 25);
        button->setStyleSheet(ui::greyButtonSheet());
        ui::nameImageButton(button, GuiText(name));
        button->setCursor(Qt::PointingHandCursor);
        button->setEnabled(false);
        connect(button, &QPushButton::clicked, this, signal);
        return button;
    };
    auto* middle = ui::rowWithMargins();
    sourceTable_ = makeSourceTable(this);
    ui::nameTable(sourceTable_, "MainWnd/Recordings");
    filler_ = new TableFiller(sourceTable_);
    new RowPictures(sourceTable_, listing_, this);
    connect(sourceTable_, &QTableWidget::itemClicked, this, &MergePage::sourceClicked);
    connect(sourceTable_, &QTableWidget::itemDoubleClicked, this, &MergePage::sourceDoubleClicked);
    targetTable_ = makeTargetTable(this);
    ui::nameTable(targetTable_, "MainWnd/MergeList");
    connect(targetTable_, &QTableWidget::itemClicked, this, &MergePage::targetClicked);
    addButton_ = listButton(":/image/add.png", "MainWnd/AddToList", &MergePage::addClicked);
    upButton_ = listButton(":/image/up.png", "MainWnd/MoveUp", &MergePage::upClicked);
    downButton_ = listButton(":/image/down.png", "MainWnd/MoveDown", &MergePage::downClicked);
    deleteButton_ = listButton(":/image/delete.png", "MainWnd/RemoveFromList", &MergePage::deleteClicked);
    // Tab reads across: the list, its add button, the merge list, its order.
    QWidget* const tabOrder[] = {sourceTable_, addButton_, targetTable_, upButton_, downButton_, deleteButton_};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    middle->addWidget(sourceTable_);
    middle->addSpacing(4);
    auto* addColumn = new QVBoxLayout;
    addColumn->addStretch(5);
    addColumn->addWidget(addButton_);
    addColumn->addStretch(5);
    middle->addLayout(addColumn);
    middle->addSpacing(4);
    middle->addWidget(targetTable_);
    middle->addSpacing(4);
    auto* orderColumn = new QVBoxLayout;
    orderColumn->addStretch(5);
    orderColumn->addWidget(upButton_);
    orderColumn->addSpacing(4);
    orderColumn->addWidget(downButton_);
    orderColumn->addSpacing(4);
    orderColumn->addWidget(deleteButton_);
    orderColumn->addStretch(5);
    middle->addLayout(orderColumn);
    box->addLayout(middle);
    box->addSpacing(4);

    auto* bottom = new QVBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QLabel(this);
    bar->setMinimumSize(w, 40);
    QPushButton* back = ui::greyButton(GuiText("MainWnd/Back"), bar);
    back->setGeometry(20, 2, 100, 35);
    connect(back, &QPushButton::clicked, this, &MergePage::backClicked);
    mergeButton_ = ui::greyButton(GuiText("MainWnd/Merge"), bar);
    mergeButton_->setGeometry(w - 180, 2, 100, 35);
    mergeButton_->setEnabled(false);
    connect(mergeButton_, &QPushButton::clicked, this, &MergePage::mergeClicked);
    ui::widenRow({back}, 0, mergeButton_->x() - 10);
    ui::widenRow({mergeButton_}, back->geometry().right() + 10, w - 10);
    bottom->addWidget(bar);
    bottom->addWidget(new FooterBand(this, w, true));
    box->addLayout(bottom);
    ui::pressOnEnter(this);
}

bool MergePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mergeDirEdit_ && event->type() == QEvent::FocusOut) {
        if (!mergeDirEdit_->text().isEmpty())
            emit folderEdited(mergeDirEdit_->text());
        addButton_->setEnabled(false);
    }
    return QWidget::eventFilter(watched, event);
}

void MergePage::list(const QString& folder)
{
    filler_->clear();
    addButton_->setEnabled(false);
    listing_->list(folder);
}

bool MergePage::listingComplete() const { return listing_->done() && filler_->complete(); }

void MergePage::showListing()
{
    // A row filled later shows the length known by then.
    filler_->start(static_cast<int>(listing_->records().size()), [this, icon = RecordingIcon()](int row) {
        showSourceRow(sourceTable_, row, listing_->records()[static_cast<std::size_t>(row)], icon);
    });
    sourceTable_->resizeColumnsToContents();
}

void MergePage::showLength(int record, const QString& duration)
{
    showSourceLength(sourceTable_, record, duration);
    // A row added to the merge list before its length was known.
    if (targetTable_->rowCount() > 0 && !duration.isEmpty())
        showTargetLength(
            targetTable_,
            RecordingPath(listing_->folder().toStdString(), listing_->records()[static_cast<std::size_t>(record)].name),
            duration);
}

void MergePage::showListButtons(int row)
{
    upButton_->setEnabled(mergeList_.canMoveUp(row));
    downButton_->setEnabled(mergeList_.canMoveDown(row));
    deleteButton_->setEnabled(row >= 0 && row < mergeList_.size());
    mergeButton_->setEnabled(mergeList_.canMerge());
}

void MergePage::followListChoice()
{
    const int row = selectedRow(targetTable_);
    if (row >= 0)
        showListButtons(row);
}

void MergePage::followFolderChoice() { addButton_->setEnabled(sourceTable_->selectedItems().size() >= 3); }

void MergePage::addChosen()
{
    const QList<QTableWidgetItem*> selected = sourceTable_->selectedItems();
    if (selected.isEmpty())
        return;
    // The full path, with the name's own bytes: rows from different folders
    // join what was chosen.
    const std::string path = RecordingPath(mergeDirEdit_->text().toStdString(), recordingName(selected.first()));
    if (!addSelectedRow(sourceTable_, targetTable_, path))
        return;
    mergeList_.add(path);
    mergeButton_->setEnabled(mergeList_.canMerge());
}

void MergePage::moveChosen(int step)
{
    const int row = selectedRow(targetTable_);
    if (!(step < 0 ? mergeList_.canMoveUp(row) : mergeList_.canMoveDown(row)))
        return;
    moveSelectedRow(targetTable_, step);
    showListButtons(mergeList_.move(row, step));
}

void MergePage::removeChosen()
{
    const int row = selectedRow(targetTable_);
    if (deleteSelectedRow(targetTable_))
        mergeList_.remove(row);
    mergeButton_->setEnabled(mergeList_.canMerge());
}

} // namespace ui
