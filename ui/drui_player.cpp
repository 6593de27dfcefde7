// The player of the cut page: an external player in slave mode that draws
// into videoLabel, asked for its position after every batch of answers.
#include "ui/drui.h"

#include "i18n/language_config.h"
#include "platform/player_program.h"
#include "player/player_command.h"

#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>

void DRUI::showPlaying(bool playing)
{
    playButton->setText(GuiText(playing ? "MainWnd/Pause" : "MainWnd/Play"));
    playButton->setIcon(QIcon(QString::fromLatin1(playing ? ":/image/pause.png" : ":/image/play.png")));
}

void DRUI::endPlayer()
{
    m_playerFile.clear();
    if (!m_player)
        return;
    disconnect(m_player, &QProcess::readyReadStandardOutput, this, &DRUI::mplayerDataRecieve);
    m_player->kill();
    m_player->waitForFinished(1000);
    delete m_player;
    m_player = nullptr;
}

void DRUI::btnLayout3Play()
{
    if (selectedCutFile.isEmpty())
        return;
    if (m_player && selectedCutFile == m_playerFile) {
        if (playButton->text() == GuiText("MainWnd/Play")) {
            // Any command resumes a paused player: the questions do.
            connect(m_player, &QProcess::readyReadStandardOutput, this, &DRUI::mplayerDataRecieve,
                    Qt::UniqueConnection);
            for (const char* query : kPlayerQueries)
                m_player->write(query);
            showPlaying(true);
        } else {
            showPlaying(false);
            m_player->write("pause\n");
            disconnect(m_player, &QProcess::readyReadStandardOutput, this, &DRUI::mplayerDataRecieve);
        }
        return;
    }

    // Another recording: its marks are still to be taken.
    headLabel->setText(QStringLiteral("00:00"));
    tailLabel->setText(QStringLiteral("00:00"));
    tailButton->setEnabled(false);
    endPlayer();
    m_playerFile = selectedCutFile;
    m_playerState = PlayerState();

    m_player = new QProcess;
    // Only its answers are read; what it says on the error channel would
    // pile up unread.
    m_player->setStandardErrorFile(QProcess::nullDevice());
    connect(m_player, &QProcess::readyReadStandardOutput, this, &DRUI::mplayerDataRecieve);
    QStringList args;
    for (const std::string& arg :
         BuildPlayerArguments(videoLabel->winId(), m_playerFile.toStdString(), platform::playerVideo()))
        args << QString::fromStdString(arg);
    m_player->start(QString::fromStdString(platform::playerProgram()), args, QIODevice::ReadWrite);
    showPlaying(true);
}

void DRUI::mplayerDataRecieve()
{
    if (!m_player)
        return;
    // Each batch of answers asks for the next: no timer is needed while the
    // file plays.
    for (const char* query : kPlayerQueries)
        m_player->write(query);
    while (m_player && m_player->canReadLine()) {
        switch (m_playerState.applyLine(m_player->readLine().toStdString())) {
        case PlayerLine::Position:
            positionSlider->setValue(m_playerState.sliderValue());
            break;
        case PlayerLine::Length:
            positionLabel->setText(QString::fromStdString(m_playerState.label()));
            positionSlider->setRange(0, m_playerState.sliderMaximum());
            headButton->setEnabled(true);
            break;
        case PlayerLine::EndOfFile:
            positionSlider->setValue(m_playerState.sliderValue());
            positionLabel->setText(QString::fromStdString(m_playerState.label()));
            showPlaying(false);
            // The next press starts the file again from its beginning.
            m_playerFile.clear();
            break;
        case PlayerLine::Other:
            break;
        }
    }
}

void DRUI::current(int position)
{
    if (!m_player)
        return;
    m_player->write(SeekCommand(position).c_str());
    // A paused player resumes on any command: pause it again.
    if (playButton->text() == GuiText("MainWnd/Play"))
        m_player->write("pause\n");
    m_playerState.seekTo(position);
    positionSlider->setValue(position);
    positionLabel->setText(QString::fromStdString(m_playerState.label()));
}
