#include "takes/take_files.h"

#include "platform/command_line.h"

#include <cstring>

namespace takes {

namespace {

constexpr const char* kWorkingMp4Suffix = ".recording.part";

std::string stemOf(const std::string& recordingPath)
{
    constexpr std::size_t ext = 4; // ".mp4"
    return recordingPath.size() > ext ? recordingPath.substr(0, recordingPath.size() - ext) : recordingPath;
}

// The tee reads each file name as a token: a backslash takes the next
// character as it is, a quote opens a quoted run, "|" ends the name and
// blanks around it are dropped. Escaping all of those keeps any name.
std::string teeEscaped(const std::string& path)
{
    std::string out;
    for (const char c : path) {
        if (std::strchr("\\'| \t\r\n[]:", c))
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

TakeFiles TakeFilesOf(const std::string& recordingPath)
{
    const std::string stem = stemOf(recordingPath);
    return {recordingPath, stem + kWorkingSuffix, stem + kWorkingMp4Suffix};
}

std::optional<TakeFiles> TakeOfWorkingFile(const std::string& workingPath)
{
    const std::size_t n = std::strlen(kWorkingSuffix);
    if (workingPath.size() <= n || workingPath.compare(workingPath.size() - n, n, kWorkingSuffix) != 0)
        return std::nullopt;
    const std::string stem = workingPath.substr(0, workingPath.size() - n);
    return TakeFiles{stem + ".mp4", workingPath, stem + kWorkingMp4Suffix};
}

std::string BuildTakeOutput(int videoInput, const TakeFiles& files, const std::string& moreMaps)
{
    // The tee cannot tell the encoder that the MP4 wants its codec headers
    // apart from the stream; the transport stream gets them in the stream
    // all the same. Both files get every stream, each sound track in
    // order; only the MP4 keeps the tracks' titles (as handler names).
    return " -map " + std::to_string(videoInput) + ":v" + moreMaps + " -flags +global_header -f tee "
        + platform::quoteArgument("[f=mp4]" + teeEscaped(files.workingMp4) + "|[f=mpegts:flush_packets=1]"
                                  + teeEscaped(files.working));
}

} // namespace takes
