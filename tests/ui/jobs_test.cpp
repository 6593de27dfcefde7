// Cut and merge from the real window: marks from the real player, jobs run
// by the real encoder, and the progress dialog with its questions answered
// the way a user would.
#include "ui/drui.h"

#include "editing/stream_ops.h"
#include "i18n/language_config.h"
#include "platform/command_line.h"
#include "ui/folder_picker.h"
#include "ui/message_box.h"
#include "ui/scan_ui.h"

#include "../support/test_support.h"
#include "test_app.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using editing::JobKind;
using i18n::GuiText;
using ui::CMessageBox;
using ui::DRUI;
using ui::SCANUI;
using ui::SetFolderPicker;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// Answers every message box that shows with the next answer (1: OK, 0: NO,
// OK once the answers run out) and keeps what each one said.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::deque<int> answers = {}) : answers_(std::move(answers))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answerShowing(); });
        timer_.start(20);
    }
    std::vector<QString> said;

private:
    void answerShowing()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<CMessageBox*>(w);
            if (!box || !box->isVisible() || box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            said.push_back(box->messageLabel()->text());
            const int answer = answers_.empty() ? 1 : answers_.front();
            if (!answers_.empty())
                answers_.pop_front();
            QTimer::singleShot(0, box, answer == 1 ? &CMessageBox::btnSlotOK : &CMessageBox::btnSlotNO);
        }
    }
    std::deque<int> answers_;
    QTimer timer_;
};

// The progress dialog while it is shown, or null.
SCANUI* shownDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<SCANUI*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

QString finished(const char* key, const std::string& path)
{
    return GuiText(key).replace("\\n", "\n").replace("%1", QString::fromStdString(path));
}

class Jobs : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new TempFolder;
        ASSERT_EQ(makeRecording(folder_->file("clip.mp4"), 4), "");
        ASSERT_EQ(makeRecording(folder_->file("two.mp4"), 2), "");
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override
    {
        window = openTestWindow(home.file("ScreenRecord.ini"));
        const QString folder = QString::fromStdString(folder_->path().string());
        window->cutPage()->cutDirEdit()->setText(folder);
        window->mergePage()->mergeDirEdit()->setText(folder);
        fs::create_directory(out.path() / "out");
        SetFolderPicker([this](QWidget*) { return QString::fromStdString((out.path() / "out").string()); });
    }
    void TearDown() override
    {
        SetFolderPicker({});
        window->btnSlotBack();
        window.reset();
    }
    std::vector<std::string> outputs() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(out.path() / "out"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static TempFolder* folder_;
    TempFolder home;
    TempFolder out;
    std::unique_ptr<DRUI> window;
};

TempFolder* Jobs::folder_ = nullptr;

} // namespace

TEST_F(Jobs, MarksFromThePlayerCutTheStretchBetweenThem)
{
    window->btnMontageSlot();
    ASSERT_TRUE(waitForListing(*window));
    const auto rows = window->cutPage()->cutTable()->findItems("clip.mp4", Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1);
    window->cutPage()->cutTable()->selectRow(rows.first()->row());
    window->CutTableItemClick(rows.first());
    window->btnLayout3Play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->cutPage()->headButton()->isEnabled(); }, 10000));
    window->btnLayout3Play(); // paused, so the marks are where the seeks put them

    window->current(1);
    window->btnSetHead();
    EXPECT_EQ(window->startMark(), 1000);
    EXPECT_EQ(window->cutPage()->headLabel()->text(), "00:00:01.000");
    EXPECT_TRUE(window->cutPage()->tailButton()->isEnabled());
    EXPECT_FALSE(window->cutPage()->cutButton()->isEnabled());
    window->current(3);
    window->btnSetTail();
    EXPECT_EQ(window->endMark(), 3000);
    EXPECT_EQ(window->cutPage()->tailLabel()->text(), "00:00:03.000");
    EXPECT_TRUE(window->cutPage()->cutButton()->isEnabled());

    BoxAnswerer answerer;
    window->btnSlotLayout3Cut();
    window->btnSlotLayout3Cut(); // the same again: a numbered name
    window->waitForJobs();
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Cut_clip(1).mp4", "Cut_clip.mp4"}));
    // From the frame at 1 s to the one at 3 s, that frame included.
    EXPECT_NEAR(probeDuration((out.path() / "out" / "Cut_clip.mp4").string()), 2.033, 0.02);
    ASSERT_EQ(answerer.said.size(), 2u);
    EXPECT_EQ(answerer.said[0], finished("Messages/MSG1014", (out.path() / "out" / "Cut_clip.mp4").string()));
}

TEST_F(Jobs, ACutWithNothingBetweenTheMarksOrNoFolderChosenWritesNothing)
{
    window->playerSession().choose(folder_->file("clip.mp4"));
    window->btnSetHead(); // no position yet: both marks at 0
    window->btnSetTail();

    BoxAnswerer answerer;
    window->btnSlotLayout3Cut();
    window->waitForJobs();
    EXPECT_TRUE(outputs().empty());
    ASSERT_EQ(answerer.said.size(), 1u);
    EXPECT_EQ(answerer.said[0], GuiText("Messages/MSG1012"));

    SetFolderPicker([](QWidget*) { return QString(); });
    window->btnSlotLayout3Cut();
    EXPECT_EQ(answerer.said.size(), 1u); // no dialog, no notice
    EXPECT_EQ(shownDialog(), nullptr);
}

TEST_F(Jobs, MergeJoinsTheListInItsOrderIntoTheChosenFolder)
{
    window->btnEditSlot();
    ASSERT_TRUE(waitForListing(*window));
    for (const char* name : {"clip.mp4", "two.mp4", "two.mp4"}) {
        const auto rows = window->mergePage()->sourceTable()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1);
        window->mergePage()->sourceTable()->selectRow(rows.first()->row());
        window->btnAddSlot();
    }
    ASSERT_TRUE(window->mergePage()->mergeButton()->isEnabled());
    // Rows keep the folder they came from: a same-named file of the folder
    // shown at merge time is not joined.
    TempFolder other;
    ASSERT_EQ(makeRecording(other.file("two.mp4"), 1), "");
    window->mergePage()->mergeDirEdit()->setText(QString::fromStdString(other.path().string()));

    BoxAnswerer answerer;
    window->btnSlotLayout4Merge();
    window->waitForJobs();
    const std::vector<std::string> made = outputs();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].rfind("Merge", 0), 0u);
    EXPECT_NEAR(probeDuration((out.path() / "out" / made[0]).string()), 8.0, 0.3);
    ASSERT_EQ(answerer.said.size(), 1u);
    EXPECT_EQ(answerer.said[0], finished("Messages/MSG1013", (out.path() / "out" / made[0]).string()));
    EXPECT_EQ(window->mergePage()->targetTable()->rowCount(), 3); // the list stays

    // Cancelling the folder dialog starts nothing.
    SetFolderPicker([](QWidget*) { return QString(); });
    window->btnSlotLayout4Merge();
    EXPECT_EQ(answerer.said.size(), 1u);
    EXPECT_EQ(outputs().size(), 1u);
}

TEST_F(Jobs, AFailedCutOrMergeSaysWhyUnderTheFailureText)
{
    writeFile(folder_->file("notes.mp4"), "not a recording");
    window->btnEditSlot();
    ASSERT_TRUE(waitForListing(*window));
    for (const char* name : {"clip.mp4", "notes.mp4"}) {
        const auto rows = window->mergePage()->sourceTable()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1);
        window->mergePage()->sourceTable()->selectRow(rows.first()->row());
        window->btnAddSlot();
    }

    BoxAnswerer answerer;
    window->btnSlotLayout4Merge();
    window->waitForJobs();
    window->playerSession().choose(folder_->file("notes.mp4"));
    window->btnSlotLayout3Cut();
    window->waitForJobs();
    fs::remove(folder_->file("notes.mp4"));
    EXPECT_TRUE(outputs().empty());
    ASSERT_EQ(answerer.said.size(), 2u);
    for (int k : {0, 1}) {
        const QString failed = GuiText(k == 0 ? "Messages/MSG1011" : "Messages/MSG1012").replace("\\n", "\n");
        EXPECT_TRUE(answerer.said[k].startsWith(failed + "\n")) << answerer.said[k].toStdString();
        EXPECT_TRUE(answerer.said[k].contains("Invalid data found")) << answerer.said[k].toStdString();
    }
}

// The dialog alone, fed reports by the window's own signals from another
// thread, as a job's worker sends them.
class ProgressDialog : public Jobs {
protected:
    void report(bool merge, int percent, const char* current, const char* target, int status)
    {
        std::thread([&] {
            if (merge)
                emit window->AddProcessCallBack(percent, current, target, status);
            else
                emit window->CutProcessCallBack(percent, current, target, status);
        }).join();
    }
};

TEST_F(ProgressDialog, ShowsEachReportAndEndsWithTheFinishedText)
{
    BoxAnswerer answerer;
    SCANUI dialog;
    dialog.ConnectSignals(window.get());
    QTimer::singleShot(0, [&] {
        report(false, 5, "/rec/a.mp4", "/out/Cut_a.mp4", 0);
        QTimer::singleShot(50, [&] {
            EXPECT_EQ(dialog.progressBar()->value(), 5);
            EXPECT_EQ(dialog.messageLabel()->text(),
                      GuiText("Messages/MSG1010")
                          .replace("\\n", "\n")
                          .replace("%d%%", "5%")
                          .replace("%s", "/rec/a.mp4")
                          .replace("/rec/a.mp4\nWriting: /rec/a.mp4", "/rec/a.mp4\nWriting: /out/Cut_a.mp4"));
            EXPECT_TRUE(dialog.messageLabel()->text().contains('\n'));
            report(false, 100, "/rec/a.mp4", "/out/Cut_a.mp4", 0);
        });
    });
    dialog.exec();
    ASSERT_EQ(answerer.said.size(), 1u);
    EXPECT_EQ(answerer.said[0], finished("Messages/MSG1014", "/out/Cut_a.mp4"));
}

TEST_F(ProgressDialog, CancelAsksFirstAndOkStopsTheJobWithoutAFurtherNotice)
{
    BoxAnswerer answerer({0, 1}); // NO, then OK
    SCANUI dialog(JobKind::Merge);
    int stops = 0;
    QObject::connect(&dialog, &SCANUI::stopRequested, [&] { ++stops; });
    QTimer::singleShot(0, [&] {
        report(true, 30, "/rec/a.mp4", "/out/Merge.mp4", 0);
        QTimer::singleShot(50, [&] {
            QTest::keyClick(&dialog, Qt::Key_Escape); // asks too; NO: the job goes on
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(stops, 0);
            dialog.cancelButton()->click(); // OK: stopped
        });
    });
    dialog.exec();
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(dialog.progressBar()->value(), 0);
    ASSERT_EQ(answerer.said.size(), 2u);
    EXPECT_EQ(answerer.said[0], GuiText("Messages/MSG1015"));
}

TEST_F(ProgressDialog, AJobEndingWhileTheQuestionIsOpenAnswersItWithTheFinishedText)
{
    SCANUI dialog;
    dialog.ConnectSignals(window.get());
    std::vector<QString> said;
    QTimer::singleShot(0, [&] {
        report(false, 5, "/rec/a.mp4", "/out/Cut_a.mp4", 0);
        // The question shows; the job ends before anyone answers it.
        QTimer::singleShot(100, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<CMessageBox*>(w); box && box->isVisible())
                    said.push_back(box->messageLabel()->text());
            report(false, 100, "/rec/a.mp4", "/out/Cut_a.mp4", 0);
            QTimer::singleShot(100, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* box = qobject_cast<CMessageBox*>(w); box && box->isVisible()) {
                        said.push_back(box->messageLabel()->text());
                        box->btnSlotOK();
                    }
            });
        });
        dialog.cancelButton()->click();
    });
    dialog.exec();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], GuiText("Messages/MSG1016"));
    EXPECT_EQ(said[1], finished("Messages/MSG1014", "/out/Cut_a.mp4"));
}

TEST_F(ProgressDialog, AFailureShowsOnlyTheFailureText)
{
    BoxAnswerer answerer;
    SCANUI dialog;
    dialog.ConnectSignals(window.get());
    QTimer::singleShot(0, [&] { report(true, 20, "/rec/notes.mp4", "/out/Merge.mp4", 1); });
    dialog.exec();
    ASSERT_EQ(answerer.said.size(), 1u);
    EXPECT_EQ(answerer.said[0], GuiText("Messages/MSG1011"));
}

// A part that differs from the first is named with why before the merge:
// No starts nothing, OK merges.
TEST_F(Jobs, AMergeThatConvertsPartsAsksFirstNamingThemAndWhy)
{
    const std::string small = folder_->file("small.mp4");
    ASSERT_EQ(runAndCapture("ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=30 -t 1 -c:v libx264 -preset "
                            "ultrafast -pix_fmt yuv420p "
                            + platform::quoteArgument(small)),
              "");
    window->btnEditSlot();
    ASSERT_TRUE(waitForListing(*window));
    for (const char* name : {"two.mp4", "small.mp4"}) {
        const auto rows = window->mergePage()->sourceTable()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1);
        window->mergePage()->sourceTable()->selectRow(rows.first()->row());
        window->btnAddSlot();
    }
    BoxAnswerer answerer({0, 1, 1});
    window->btnSlotLayout4Merge();
    window->waitForJobs();
    EXPECT_TRUE(outputs().empty());
    ASSERT_EQ(answerer.said.size(), 1u);
    const QString& asked = answerer.said[0];
    EXPECT_TRUE(asked.contains("2. small.mp4: ")) << asked.toStdString();
    EXPECT_FALSE(asked.contains("two.mp4")) << asked.toStdString();
    for (const char* reason : {"Messages/MSG1035", "Messages/MSG1041"})
        EXPECT_TRUE(asked.contains(GuiText(reason))) << asked.toStdString();

    window->btnSlotLayout4Merge();
    window->waitForJobs();
    fs::remove(small);
    ASSERT_EQ(outputs().size(), 1u);
    EXPECT_NEAR(probeDuration((out.path() / "out" / outputs()[0]).string()), 3.0, 0.2);
    ASSERT_EQ(answerer.said.size(), 3u); // the question again, and the finished notice
}
