// The recordings tables of the real window, filled from real folders with
// real recordings.
#include "ui/drui.h"
#include "library/length_probe.h"

#include "i18n/language_config.h"
#include "platform/files.h"
#include "ui/recordings_tables.h"
#include "ui/row_pictures.h"
#include "ui/thumbnail_strip.h"

#include "../support/test_support.h"
#include "test_app.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

using i18n::GuiText;
using library::DurationCache;
using ui::DRUI;
using ui::MergePage;
using ui::RowPictures;
using ui::ThumbnailStrip;
using ui::addSelectedRow;
using ui::selectedRow;
using library::DurationProbe;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// Not valid UTF-8, as Linux allows: the tables must keep its bytes.
const std::string kNewer = "newer \xff\xfe.mp4";

QStringList rowTexts(const QTableWidget* table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return texts;
}

class RecordingsTables : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new TempFolder;
        // Written oldest first, a second apart, so that newest first is clear.
        ASSERT_EQ(makeRecording(folder_->file("older.mp4"), 3), "");
        ASSERT_EQ(makeRecording(folder_->file(kNewer), 2), "");
        const auto now = fs::file_time_type::clock::now();
        fs::last_write_time(folder_->path() / "older.mp4", now - std::chrono::hours(2));
        fs::last_write_time(folder_->path() / kNewer, now - std::chrono::hours(1));
        writeFile(folder_->file("notes.MP4"), "not a recording");
        fs::last_write_time(folder_->path() / "notes.MP4", now);
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override
    {
        window = openTestWindow(home.file("ScreenRecord.ini"));
        window->mergePage()->mergeDirEdit()->setText(QString::fromStdString(folder_->path().string()));
        window->cutPage()->cutDirEdit()->setText(QString::fromStdString(folder_->path().string()));
    }
    // The merge page entered, with its source table filled.
    void enterMergePage()
    {
        window->btnEditSlot();
        ASSERT_TRUE(waitForListing(*window));
        ASSERT_EQ(window->mergePage()->sourceTable()->rowCount(), 3);
    }
    // Adds the source row `row` to the merge list.
    void add(int row)
    {
        window->mergePage()->sourceTable()->selectRow(row);
        window->SourceTableItemClick(nullptr);
        window->btnAddSlot();
    }
    void selectTarget(int row)
    {
        window->mergePage()->targetTable()->selectRow(row);
        window->TargetTableItemClick(nullptr);
    }

    static TempFolder* folder_;
    TempFolder home;
    std::unique_ptr<DRUI> window;
};

TempFolder* RecordingsTables::folder_ = nullptr;

} // namespace

TEST_F(RecordingsTables, EachTableIsMadeAsItsPageNeedsIt)
{
    QTableWidget* cut = window->cutPage()->cutTable();
    EXPECT_EQ(cut->columnCount(), 1);
    // Headed, so that a screen reader can name its column.
    EXPECT_EQ(cut->horizontalHeaderItem(0)->text(), GuiText("MainWnd/FileName"));
    EXPECT_EQ(cut->styleSheet(), "");
    EXPECT_EQ(cut->minimumSize(), QSize(200, 100));
    for (QTableWidget* table : {window->mergePage()->sourceTable(), window->mergePage()->targetTable()}) {
        EXPECT_EQ(table->columnCount(), 3);
        EXPECT_EQ(table->horizontalHeaderItem(1)->text(), GuiText("MainWnd/Time"));
        EXPECT_EQ(table->styleSheet(), "background-color: rgb(191, 191, 191);");
        EXPECT_EQ(table->minimumSize(), QSize(200, 180));
    }
    for (QTableWidget* table : {cut, window->mergePage()->sourceTable(), window->mergePage()->targetTable()}) {
        EXPECT_FALSE(table->verticalHeader()->isVisible());
        EXPECT_TRUE(table->horizontalHeader()->stretchLastSection());
        EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(table->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    }
    EXPECT_EQ(window->mergePage()->sourceTable()->columnWidth(0), 180);
    EXPECT_EQ(window->mergePage()->targetTable()->columnWidth(0), 80);
}

TEST_F(RecordingsTables, SourceTableListsNewestFirstWithLengthAndSize)
{
    enterMergePage();
    QTableWidget* table = window->mergePage()->sourceTable();
    EXPECT_EQ(rowTexts(table, 0)[0], "notes.MP4");
    EXPECT_EQ(rowTexts(table, 0)[1], ""); // no length to be had
    EXPECT_EQ(rowTexts(table, 0)[2], "15 Bytes");
    EXPECT_EQ(rowTexts(table, 1).mid(0, 2), (QStringList{QString::fromStdString(kNewer), "00:00:02"}));
    EXPECT_EQ(rowTexts(table, 2).mid(0, 2), (QStringList{"older.mp4", "00:00:03"}));
    EXPECT_FALSE(table->item(1, 0)->icon().isNull());

    // A folder that cannot be searched empties the table.
    window->mergePage()->mergeDirEdit()->setText(QString::fromStdString(home.file("missing")));
    window->btnEditSlot();
    ASSERT_TRUE(waitForListing(*window));
    EXPECT_EQ(table->rowCount(), 0);
}

TEST_F(RecordingsTables, MergeListAddsMovesAndDeletesWithItsButtons)
{
    // The merge list shows each row's full path.
    const QString older = QString::fromStdString(folder_->file("older.mp4"));
    enterMergePage();
    EXPECT_FALSE(window->mergePage()->addButton()->isEnabled());
    add(1); // newer
    EXPECT_EQ(window->mergeList().paths(), std::vector<std::string>{folder_->file(kNewer)});
    EXPECT_TRUE(window->mergePage()->addButton()->isEnabled());
    EXPECT_EQ(window->mergePage()->targetTable()->columnWidth(0), 180);
    EXPECT_FALSE(window->mergePage()->mergeButton()->isEnabled());
    add(1); // the same recording once more: a second part
    EXPECT_TRUE(window->mergePage()->mergeButton()->isEnabled());
    EXPECT_EQ(rowTexts(window->mergePage()->targetTable(), 0), rowTexts(window->mergePage()->targetTable(), 1));
    add(2); // older, at the bottom
    ASSERT_EQ(window->mergePage()->targetTable()->rowCount(), 3);

    selectTarget(2);
    EXPECT_TRUE(window->mergePage()->upButton()->isEnabled());
    EXPECT_FALSE(window->mergePage()->downButton()->isEnabled());
    EXPECT_TRUE(window->mergePage()->deleteButton()->isEnabled());
    window->btnDownSlot(); // the bottom row stays
    EXPECT_EQ(rowTexts(window->mergePage()->targetTable(), 2)[0], older);
    window->btnUpSlot();
    window->btnUpSlot();
    EXPECT_EQ(rowTexts(window->mergePage()->targetTable(), 0),
              (QStringList{older, "00:00:03", rowTexts(window->mergePage()->sourceTable(), 2)[2]}));
    EXPECT_EQ(window->mergePage()->targetTable()->selectedItems().first()->row(), 0);
    EXPECT_FALSE(window->mergePage()->upButton()->isEnabled());
    EXPECT_TRUE(window->mergePage()->downButton()->isEnabled());
    EXPECT_FALSE(window->mergePage()->targetTable()->item(0, 0)->icon().isNull());
    window->btnUpSlot(); // the top row stays
    EXPECT_EQ(rowTexts(window->mergePage()->targetTable(), 0)[0], older);
    window->btnDownSlot();
    EXPECT_EQ(rowTexts(window->mergePage()->targetTable(), 1)[0], older);
    EXPECT_TRUE(window->mergePage()->upButton()->isEnabled());
    EXPECT_TRUE(window->mergePage()->downButton()->isEnabled());

    window->btnDelSlot();
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 2);
    EXPECT_TRUE(window->mergePage()->mergeButton()->isEnabled());
    selectTarget(0);
    window->btnDelSlot();
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 1);
    EXPECT_FALSE(window->mergePage()->mergeButton()->isEnabled());

    // Nothing selected: nothing happens.
    window->mergePage()->targetTable()->clearSelection();
    window->btnDelSlot();
    window->btnUpSlot();
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 1);
    window->mergePage()->sourceTable()->clearSelection();
    window->btnAddSlot();
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 1);

    // The list stays across visits of the page.
    window->btnSlotBack();
    window->btnEditSlot();
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 1);
}

TEST_F(RecordingsTables, CutTableNamesInWhiteAndAClickChoosesTheRecording)
{
    window->btnMontageSlot();
    ASSERT_TRUE(waitForListing(*window));
    QTableWidget* table = window->cutPage()->cutTable();
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(1, 0)->text(), QString::fromStdString(kNewer));
    EXPECT_EQ(table->item(1, 0)->foreground().color(), QColor(255, 255, 255));
    EXPECT_FALSE(table->item(1, 0)->icon().isNull());

    window->cutPage()->cutButton()->setEnabled(true); // as after both marks were set
    table->selectRow(1);
    window->CutTableItemClick(table->item(1, 0));
    EXPECT_EQ(window->playerSession().chosen(), folder_->file(kNewer));
    EXPECT_TRUE(window->cutPage()->playButton()->isEnabled());
    EXPECT_FALSE(window->cutPage()->cutButton()->isEnabled());

    table->clearSelection();
    window->CutTableItemClick(nullptr);
    EXPECT_FALSE(window->cutPage()->playButton()->isEnabled());
    window->btnSlotBack();
}

TEST_F(RecordingsTables, CutTableRowsGetTheirPicturesAndAChosenOneItsStrip)
{
    window->btnMontageSlot();
    ASSERT_TRUE(waitForListing(*window));
    QTableWidget* table = window->cutPage()->cutTable();
    ASSERT_EQ(table->rowCount(), 3);
    const auto picture = [&](int row) { return table->item(row, 0)->data(RowPictures::kPictureRole).toString(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picture(0).isEmpty() && !picture(1).isEmpty() && !picture(2).isEmpty(); },
                                60000));
    EXPECT_EQ(picture(0), "none") << "notes.MP4 is no recording";
    for (int row : {1, 2}) {
        EXPECT_TRUE(picture(row).endsWith(".png"));
        EXPECT_FALSE(QPixmap(picture(row)).isNull());
    }

    auto* strip = window->cutPage()->findChild<ThumbnailStrip*>();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->focusPolicy(), Qt::NoFocus);
    table->selectRow(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip->showsPictures(); }, 60000));
    table->selectRow(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip->showsPlaceholder(); }, 60000));
    window->btnSlotBack();
}

// A probe held until released stands in for lengths that are slow to read
// (a slow disk or network mount).
TEST(MergePageListing, LengthsFillInWithoutMovingTheSelectionOrTheScroll_FakeProbeHolds)
{
    ensureTestApp();
    TempFolder dir;
    for (int i = 0; i < 60; ++i)
        writeFile(dir.file("r" + std::to_string(100 + i) + ".mp4"), "no recording");
    std::mutex gate;
    std::condition_variable changed;
    bool open = false;
    const DurationProbe probe = [&](const std::string&) {
        std::unique_lock lock(gate);
        changed.wait(lock, [&] { return open; });
        return std::string("00:00:07");
    };
    QWidget window;
    window.resize(1000, 600);
    auto* page = new MergePage(&window, 1000, QString(), std::make_shared<DurationCache>(), probe);
    page->resize(1000, 600);
    window.show();
    const QString folder = QString::fromStdString(dir.path().string());
    page->list(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->listing()->listed(); }, 60000));
    QTableWidget* source = page->sourceTable();
    ASSERT_EQ(source->rowCount(), 60);
    EXPECT_EQ(source->item(0, 1)->text(), "");
    // The merge list takes a row before its length is known.
    source->selectRow(0);
    ASSERT_TRUE(addSelectedRow(source, page->targetTable(), (folder + "/" + source->item(0, 0)->text()).toStdString()));
    source->selectRow(50);
    source->scrollToBottom();
    const int scrolled = source->verticalScrollBar()->value();
    {
        const std::lock_guard lock(gate);
        open = true;
    }
    changed.notify_all();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->listingComplete(); }, 60000));
    EXPECT_EQ(source->item(59, 1)->text(), "00:00:07");
    EXPECT_EQ(selectedRow(source), 50);
    EXPECT_EQ(source->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(page->targetTable()->item(0, 1)->text(), "00:00:07");
}
