#pragma once
// Takes that a crash, a kill or a power cut left unfinished in the save
// folder are finished when the program starts and when the save folder
// changes, off the interface thread. The folder the recording session is
// writing to at that moment is left alone, and so is any take whose files
// a recorder holds (see FinishLeftTakes). QtCore only.
#include "takes/take_finish.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace recording {

class RecordController;

class TakeRecovery : public QObject {
    Q_OBJECT
public:
    // True for the working file of a take that is being recorded.
    using InUse = std::function<bool(const std::string& working)>;
    explicit TakeRecovery(InUse inUse, QObject* parent = nullptr);
    // Stops a check under way (an encoder copying is ended) and waits for
    // it: a take is never left half moved.
    ~TakeRecovery() override;

    // The guard for `recorder`'s runs: true for any file in the folder it
    // records to, however either is spelled, and for its own file.
    static InUse guardOf(const RecordController& recorder);
    // The same from what the recorder tells: its folder (empty when none
    // runs) and its file.
    static bool inRecordedFolder(const std::string& working, const std::string& recordingFolder,
                                 const std::string& recordingFile);

    // Finishes the takes left in `folder`, a take's separate tracks saved
    // from its working file titled `titles`. A check asked while one runs
    // follows it.
    void check(const std::string& folder, const takes::SoundTitles& titles = {});
    // Asks a check under way to stop soon, without waiting: at quit.
    void stop();

signals:
    // One line per take: the recordings made ("name (HH:MM:SS)"), and the
    // working files kept because nothing could be read from them. Only
    // when there was at least one.
    void finished(const QStringList& saved, const QStringList& kept);

private:
    void run(std::stop_token stop);
    void deliver();

    struct Result {
        QStringList saved, kept;
    };

    const InUse inUse_;
    std::mutex mutex_;
    struct Asked {
        std::string folder;
        takes::SoundTitles titles;
    };
    std::vector<Asked> folders_; // asked for, not yet checked
    std::vector<Result> results_;      // checked, not yet told
    std::jthread thread_;
};

} // namespace recording
