#pragma once
// The cut page's player: the player process in slave mode, what its answers
// say (PlayerState), whether it plays, is paused or reached the end, and the
// cut marks taken from its position. The window only shows what this says.
// QtCore only.
#include "platform/player_program.h"
#include "player/player_state.h"

#include <QObject>
#include <QString>

#include <cstdint>

class QProcess;

class PlayerSession : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Playing, Paused, Ended };

    explicit PlayerSession(QObject* parent = nullptr);
    ~PlayerSession() override;

    // The recording to play and cut. Another one than before ends the
    // player and clears the marks: marks of one recording never cut another.
    void choose(const QString& file);
    const QString& chosen() const { return chosen_; }

    // The play button: starts the chosen recording from its beginning
    // (drawing into `windowId`) when none plays or the last one ended,
    // pauses a playing one and resumes a paused one.
    void togglePlay(std::uint64_t windowId);
    // To an absolute second; a paused player stays paused.
    void seek(int seconds);
    // Ends the player, if one runs; the choice and the marks stay.
    void end();
    // Reads the answers that have come; the process's output calls it too.
    void readAnswers();

    State state() const { return state_; }
    QProcess* process() const { return process_; }
    const PlayerState& playerState() const { return playerState_; }

    // The marks in whole seconds, taken from the last position.
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

    QString chosen_;
    QProcess* process_ = nullptr;
    PlayerState playerState_;
    State state_ = State::Idle;
    std::int64_t startMark_ = 0;
    std::int64_t endMark_ = 0;
    platform::PlayerVideo video_;
};
