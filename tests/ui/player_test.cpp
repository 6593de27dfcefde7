// The cut page's player: the real player program drawing into the real
// window under the test session's X server.
#include "ui/drui.h"

#include "i18n/language_config.h"

#include "../support/test_support.h"
#include "test_app.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include <filesystem>
#include <gtest/gtest.h>

using i18n::GuiText;
using ui::DRUI;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class Player : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new TempFolder;
        ASSERT_EQ(makeRecording(folder_->file("three.mp4"), 3), "");
        ASSERT_EQ(makeRecording(folder_->file("-rf 'ë' $1 \"录像\".mp4"), 2), "");
        writeFile(folder_->file("notes.mp4"), "not a recording");
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override
    {
        window = openTestWindow(home.file("ScreenRecord.ini"));
        window->cutPage()->cutDirEdit()->setText(QString::fromStdString(folder_->path().string()));
        window->btnMontageSlot();
        waitForListing(*window);
    }
    void TearDown() override
    {
        window->btnSlotBack();
        EXPECT_EQ(window->player(), nullptr);
        window.reset();
    }
    // Chooses the cut table's row of that name and presses play.
    void play(const QString& name)
    {
        const QList<QTableWidgetItem*> found = window->cutPage()->cutTable()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString() << " among " << window->cutPage()->cutTable()->rowCount();
        window->cutPage()->cutTable()->selectRow(found.first()->row());
        window->CutTableItemClick(found.first());
        window->btnLayout3Play();
    }
    bool lengthArrived()
    {
        return QTest::qWaitFor([&] { return window->cutPage()->headButton()->isEnabled(); }, 10000);
    }
    qint64 playerId() const { return window->player() ? window->player()->id() : 0; }
    // The test picture's colours in the video area, as the X server has it.
    bool pictureShown() const
    {
        const QImage shot = window->screen()
                                ->grabWindow(window->cutPage()->videoLabel()->winId())
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 7)
            for (int x = 0; x < shot.width(); x += 7)
                colours.insert(shot.pixel(x, y));
        return colours.size() > 4;
    }

    static TempFolder* folder_;
    TempFolder home;
    std::unique_ptr<DRUI> window;
};

TempFolder* Player::folder_ = nullptr;

} // namespace

TEST_F(Player, PlaysPausesResumesSeeksAndStartsAgainAfterTheEnd)
{
    play("three.mp4");
    EXPECT_EQ(window->cutPage()->playButton()->text(), GuiText("MainWnd/Pause"));
    ASSERT_TRUE(lengthArrived());
    EXPECT_TRUE(window->cutPage()->positionLabel()->text().endsWith("/00:00:03"))
        << window->cutPage()->positionLabel()->text().toStdString();
    EXPECT_EQ(window->cutPage()->positionSlider()->maximum(), 3);
    const qint64 first = playerId();
    EXPECT_TRUE(QTest::qWaitFor([&] { return pictureShown(); }, 3000)) << "nothing was drawn into the window";

    window->btnLayout3Play(); // pause
    EXPECT_EQ(window->cutPage()->playButton()->text(), GuiText("MainWnd/Play"));
    window->current(1);
    EXPECT_EQ(window->playerState().positionText(), "1");
    EXPECT_EQ(window->cutPage()->positionLabel()->text(), "00:00:01.000/00:00:03");
    EXPECT_EQ(window->cutPage()->positionSlider()->value(), 1);
    QTest::qWait(300);
    EXPECT_EQ(window->playerState().positionText(), "1") << "a paused player answered";
    // The full stop key steps a frame on, the comma key back to it.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->cutPage()->positionSlider()->setFocus();
    const auto stepped = [&](Qt::Key key) {
        const QString before = window->cutPage()->positionLabel()->text();
        QTest::keyClick(window->cutPage()->positionSlider(), key);
        return QTest::qWaitFor([&] { return window->cutPage()->positionLabel()->text() != before; }, 5000);
    };
    ASSERT_TRUE(stepped(Qt::Key_Period));
    const std::int64_t on = window->playerState().positionMs();
    ASSERT_TRUE(stepped(Qt::Key_Period));
    EXPECT_NEAR(window->playerState().positionMs() - on, 33, 1);
    ASSERT_TRUE(stepped(Qt::Key_Comma));
    EXPECT_EQ(window->playerState().positionMs(), on);
    EXPECT_EQ(window->cutPage()->playButton()->text(), GuiText("MainWnd/Play"));

    window->btnLayout3Play(); // resume, in the same player
    EXPECT_EQ(window->cutPage()->playButton()->text(), GuiText("MainWnd/Pause"));
    EXPECT_EQ(playerId(), first);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->cutPage()->playButton()->text() == GuiText("MainWnd/Play"); }, 15000))
        << "the end of the file never came";
    EXPECT_EQ(window->cutPage()->positionSlider()->value(), 3);
    EXPECT_EQ(window->cutPage()->positionLabel()->text(), "00:00:03.000/00:00:03");

    window->btnLayout3Play(); // from the beginning, in a new player
    EXPECT_EQ(window->cutPage()->playButton()->text(), GuiText("MainWnd/Pause"));
    EXPECT_NE(playerId(), first);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->cutPage()->positionSlider()->value() < 3; }, 10000));
}

TEST_F(Player, AnotherRecordingResetsTheMarksLabelsAndStartsItsOwnPlayer)
{
    play("three.mp4");
    ASSERT_TRUE(lengthArrived());
    window->cutPage()->headLabel()->setText("00:00:01");
    window->cutPage()->tailLabel()->setText("00:00:02");
    window->cutPage()->tailButton()->setEnabled(true);
    const qint64 first = playerId();

    const QString awkward = QString::fromUtf8("-rf 'ë' $1 \"录像\".mp4");
    play(awkward);
    EXPECT_EQ(window->cutPage()->headLabel()->text(), "00:00:00.000");
    EXPECT_EQ(window->cutPage()->tailLabel()->text(), "00:00:00.000");
    EXPECT_FALSE(window->cutPage()->tailButton()->isEnabled());
    EXPECT_NE(playerId(), first);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->cutPage()->positionLabel()->text().endsWith("/00:00:02"); }, 10000))
        << "a name like an option, with quotes and non-Latin letters, did not play";
}

TEST_F(Player, AFileThatCannotBePlayedGivesNoLengthAndNoMarks)
{
    play("notes.mp4");
    // The player gives up at once and says its file has ended.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->cutPage()->playButton()->text() == GuiText("MainWnd/Play"); }, 10000));
    QTest::qWait(200);
    EXPECT_FALSE(window->cutPage()->headButton()->isEnabled());
}
