#include "player/player_session.h"

#include "player/player_command.h"

#include "platform/command_line.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace {

// Often enough that the position follows the picture smoothly.
constexpr int kPollMs = 20;
// A paused player's output waits for the resume; a chatty one must not fill
// the memory meanwhile.
constexpr std::size_t kKeptOutput = 64 * 1024;

} // namespace

PlayerSession::PlayerSession(QObject* parent) : QObject(parent), output_(kKeptOutput), video_(platform::playerVideo())
{
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &PlayerSession::readAnswers);
}

PlayerSession::~PlayerSession() { end(); }

void PlayerSession::setState(State state)
{
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged(state);
}

void PlayerSession::choose(const std::string& file)
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
    poll_.stop();
    if (process_) {
        process_->kill();
        process_->waitForExit(1000);
        process_.reset();
    }
    output_.kept().clear();
    setState(State::Idle);
}

void PlayerSession::writeQueries()
{
    for (const char* query : kPlayerQueries)
        process_->writeInput(query, std::char_traits<char>::length(query));
}

bool PlayerSession::collectOutput()
{
    const platform::ChildOutputReader::Drained drained = output_.drain(*process_);
    if (drained.ended) {
        // The player has gone: nothing more will come.
        poll_.stop();
        process_->waitForExit(0);
    }
    return drained.bytes > 0;
}

void PlayerSession::togglePlay(std::uint64_t windowId)
{
    if (chosen_.empty())
        return;
    if (state_ == State::Playing) {
        process_->writeInput("pause\n", 6);
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
    std::string commandLine = platform::quoteArgument(platform::playerProgram());
    for (const std::string& arg : BuildPlayerArguments(windowId, chosen_, video_))
        commandLine += ' ' + platform::quoteArgument(arg);
    process_ = std::make_unique<platform::ChildProcess>();
    // A player that cannot start shows nothing, as one that cannot play the file.
    if (process_->start(commandLine))
        poll_.start();
    setState(State::Playing);
}

void PlayerSession::readAnswers()
{
    if (!process_ || !collectOutput())
        return;
    // A paused player is not asked: its answers would resume it. Each
    // batch of answers asks for the next.
    if (state_ == State::Playing)
        writeQueries();
    std::string& output = output_.kept();
    std::size_t end;
    while ((state_ == State::Playing || state_ == State::Paused) && (end = output.find('\n')) != std::string::npos) {
        const std::string line = output.substr(0, end + 1);
        output.erase(0, end + 1);
        // A paused player's answers to what was asked while it played come
        // late: they would move the position back from a seek or a step.
        if (state_ == State::Paused && line.rfind("ANS_", 0) == 0 && line.rfind("ANS_time_pos=", 0) != 0
            && line.rfind("ANS_fps=", 0) != 0)
            continue;
        applyAnswer(line);
    }
}

void PlayerSession::applyAnswer(const std::string& line)
{
    switch (playerState_.applyLine(line)) {
    case PlayerLine::Position:
        if (stepBackTo_ >= 0) {
            const std::int64_t landed = playerState_.positionMs();
            const double frame = playerState_.frameMs();
            if (landed > stepBackTo_ + frame / 2 && ++stepBackTries_ < 4) {
                // Not back far enough: it read further ahead than thought.
                write(StepBackCommand((landed - stepBackTo_) / 1000.0 + 2.0 * stepBackTries_));
                break;
            }
            // On the keyframe: on to the frame wanted, which is shown
            // when it is reached; the keyframe is not.
            write(StepsTo(landed, stepBackTo_, frame));
            stepBackTo_ = -1;
            break;
        }
        emit positionChanged();
        break;
    case PlayerLine::Length:
        emit lengthKnown();
        break;
    case PlayerLine::EndOfFile:
        emit positionChanged();
        // The next press starts the file again from its beginning.
        setState(State::Ended);
        break;
    case PlayerLine::Other:
        break;
    }
}

void PlayerSession::write(const std::string& commands) { process_->writeInput(commands.data(), commands.size()); }

void PlayerSession::stepFrame(bool forward)
{
    if (!process_ || (state_ != State::Playing && state_ != State::Paused))
        return;
    if (state_ == State::Playing) {
        write("pause\n");
        setState(State::Paused);
    }
    if (forward) {
        write(kStepForward);
        return;
    }
    const double frame = playerState_.frameMs();
    stepBackTo_ = std::max<std::int64_t>(0, playerState_.positionMs() - std::llround(frame));
    stepBackTries_ = 0;
    // A second covers what it reads ahead of the shown frame.
    write(StepBackCommand(1 + frame / 1000));
}

void PlayerSession::seek(int seconds)
{
    if (!process_)
        return;
    const std::string command = SeekCommand(seconds);
    process_->writeInput(command.data(), command.size());
    // A paused player resumes on any command: pause it again.
    if (state_ == State::Paused)
        process_->writeInput("pause\n", 6);
    playerState_.seekTo(seconds);
    emit positionChanged();
}

void PlayerSession::setStartMark() { startMark_ = playerState_.positionMs(); }

void PlayerSession::setEndMark() { endMark_ = playerState_.positionMs(); }

} // namespace player
