#include "player/player_session.h"

#include "player/player_command.h"

#include <QProcess>
#include <QStringList>

PlayerSession::PlayerSession(QObject* parent) : QObject(parent), video_(platform::playerVideo()) {}

PlayerSession::~PlayerSession() { end(); }

void PlayerSession::setState(State state)
{
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged(state);
}

void PlayerSession::choose(const QString& file)
{
    if (file == chosen_)
        return;
    end();
    chosen_ = file;
    startMark_ = 0;
    endMark_ = 0;
    playerState_ = PlayerState();
    emit marksCleared();
}

void PlayerSession::end()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
        delete process_;
        process_ = nullptr;
    }
    setState(State::Idle);
}

void PlayerSession::writeQueries()
{
    for (const char* query : kPlayerQueries)
        process_->write(query);
}

void PlayerSession::togglePlay(std::uint64_t windowId)
{
    if (chosen_.isEmpty())
        return;
    if (state_ == State::Playing) {
        process_->write("pause\n");
        setState(State::Paused);
        return;
    }
    if (state_ == State::Paused) {
        // Any command resumes a paused player: the questions do.
        writeQueries();
        setState(State::Playing);
        return;
    }
    end();
    playerState_ = PlayerState();
    process_ = new QProcess;
    // Only its answers are read; what it says on the error channel would
    // pile up unread.
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &PlayerSession::readAnswers);
    QStringList args;
    for (const std::string& arg : BuildPlayerArguments(windowId, chosen_.toStdString(), video_))
        args << QString::fromStdString(arg);
    process_->start(QString::fromStdString(platform::playerProgram()), args, QIODevice::ReadWrite);
    setState(State::Playing);
}

void PlayerSession::readAnswers()
{
    // A paused player is not asked: its answers would resume it.
    if (!process_ || state_ != State::Playing)
        return;
    // Each batch of answers asks for the next: no timer is needed while the
    // file plays.
    writeQueries();
    while (process_ && process_->canReadLine()) {
        switch (playerState_.applyLine(process_->readLine().toStdString())) {
        case PlayerLine::Position:
            emit positionChanged();
            break;
        case PlayerLine::Length:
            emit lengthKnown();
            break;
        case PlayerLine::EndOfFile:
            emit positionChanged();
            // The next press starts the file again from its beginning.
            setState(State::Ended);
            return;
        case PlayerLine::Other:
            break;
        }
    }
}

void PlayerSession::seek(int seconds)
{
    if (!process_)
        return;
    process_->write(SeekCommand(seconds).c_str());
    // A paused player resumes on any command: pause it again.
    if (state_ == State::Paused)
        process_->write("pause\n");
    playerState_.seekTo(seconds);
    emit positionChanged();
}

void PlayerSession::setStartMark() { startMark_ = LeadingInteger(playerState_.positionText()); }

void PlayerSession::setEndMark() { endMark_ = LeadingInteger(playerState_.positionText()); }
