#pragma once
// The cut page's player: the player process in slave mode, what its answers
// say (PlayerState), whether it plays, is paused or reached the end, and the
// cut marks taken from its position. The window only shows what this says.
// QtCore only. The player is a platform child rather than a QProcess: Qt
// cannot pass a file name that is not valid UTF-8 as an argument.
#include "platform/child_output.h"
#include "platform/child_process.h"
#include "platform/player_program.h"
#include "player/player_state.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

namespace player {

class PlayerSession : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Playing, Paused, Ended };

    explicit PlayerSession(QObject* parent = nullptr);
    ~PlayerSession() override;

    // The recording to play and cut, its bytes as the file system gives
    // them. Another one than before ends the player and clears the marks:
    // marks of one recording never cut another.
    void choose(const std::string& file);
    const std::string& chosen() const { return chosen_; }

    // The play button: starts the chosen recording from its beginning
    // (drawing into `windowId`) when none plays or the last one ended,
    // pauses a playing one and resumes a paused one.
    void togglePlay(std::uint64_t windowId);
    // To an absolute second; a paused player stays paused.
    void seek(int seconds);
    // One frame forward or back; a playing player pauses first. The marks
    // can then be taken exactly on a frame.
    void stepFrame(bool forward);
    // Ends the player, if one runs; the choice and the marks stay.
    void end();
    // Reads the answers that have come; a timer calls it while a player runs.
    void readAnswers();

    State state() const { return state_; }
    // The running player, or null.
    platform::ChildProcess* process() const { return process_.get(); }
    const PlayerState& playerState() const { return playerState_; }

    // The marks in milliseconds, taken from the last position.
    void setStartMark();
    void setEndMark();
    std::int64_t startMark() const { return startMark_; }
    std::int64_t endMark() const { return endMark_; }

    // Replaces the video output, e.g. with "null" where nothing can be drawn.
    void setVideo(const platform::PlayerVideo& video) { video_ = video; }

signals:
    void stateChanged(PlayerSession::State state);
    // The position moved (slider value and label in playerState()).
    void positionChanged();
    // The length arrived: the start mark can be taken.
    void lengthKnown();
    // Another recording was chosen: its marks are still to be taken.
    void marksCleared();

private:
    void setState(State state);
    void writeQueries();
    void write(const std::string& commands);
    void applyAnswer(const std::string& line);
    // Reads what the player wrote into `output_`; false when nothing came.
    bool collectOutput();

    std::string chosen_;
    std::unique_ptr<platform::ChildProcess> process_;
    platform::ChildOutputReader output_; // read, not yet taken as lines
    QTimer poll_;
    PlayerState playerState_;
    State state_ = State::Idle;
    std::int64_t startMark_ = 0;
    std::int64_t endMark_ = 0;
    // A step back under way: the frame wanted, reached from the keyframe
    // the player lands on.
    std::int64_t stepBackTo_ = -1;
    int stepBackTries_ = 0;
    platform::PlayerVideo video_;
};

} // namespace player
