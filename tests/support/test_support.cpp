#include "test_support.h"

#include "platform/child_output.h"
#include "platform/child_process.h"
#include "platform/files.h"
#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace testing_support {

TempFolder::TempFolder()
{
    static std::atomic<int> serial{0};
    path_ = std::filesystem::temp_directory_path()
        / ("vtr-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::file(const std::string& name) const
{
    // UTF-8 on every system: string() would give the 8-bit code page on Windows.
    const std::u8string text = (path_ / std::filesystem::u8path(name)).u8string();
    return std::string(text.begin(), text.end());
}

std::string faultChild()
{
    // A bare file name lies beside the test program (the Windows build, whose
    // programs cannot use the build tree's POSIX paths under Wine).
    const std::string path = VTR_FAULT_CHILD_PATH;
    if (path.find_first_of("/\\") == std::string::npos)
        return platform::programFolder() + platform::separator() + path;
    return path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream(std::filesystem::u8path(path), std::ios::binary) << content;
}

std::string runAndCapture(const std::string& commandLine, int* exitCode)
{
    return platform::runForOutput(commandLine, exitCode);
}

} // namespace testing_support

#include "platform/command_line.h"

namespace testing_support {

std::string probe(const std::string& file, const std::string& entries, const std::string& extra)
{
    return runAndCapture("ffprobe -v error " + extra + " -show_entries " + entries + " -of csv=p=0 "
                         + platform::quoteArgument(file));
}

double probeDuration(const std::string& file)
{
    const std::string text = probe(file, "format=duration");
    try {
        return std::stod(text);
    } catch (...) {
        return -1;
    }
}

std::string makeRecording(const std::string& path, int seconds)
{
    int code = -1;
    const std::string out = runAndCapture(
        "ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine=frequency=440 -t "
            + std::to_string(seconds)
            + " -vcodec libx264 -preset ultrafast -pix_fmt yuv420p -force_key_frames expr:gte(t,n_forced) -acodec aac "
            + platform::quoteArgument(path),
        &code);
    return code == 0 ? std::string() : "ffmpeg failed: " + out;
}

std::string makeTrackedRecording(const std::string& path, int seconds)
{
    using platform::quoteArgument;
    int code = -1;
    const std::string out = runAndCapture(
        "ffmpeg -v error -y -f lavfi -i testsrc2=size=320x240:rate=60.97 -f lavfi -i sine=frequency=440:sample_rate=44100"
        " -f lavfi -i anullsrc=r=44100:cl=stereo -filter_complex "
            + quoteArgument("[1:a]aformat=channel_layouts=stereo,asplit[s1][s2];[s1][2:a]amix=inputs=2:duration=first[mix]")
            + " -map 0:v -map [mix] -map [s2] -map 2:a -t " + std::to_string(seconds)
            + " -vcodec libx264 -r 60.97 -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p -preset superfast -crf 26 -bf 0"
              " -x264-params stitchable=1 -colorspace smpte170m -force_key_frames expr:gte(t,n_forced)"
              " -metadata:s:a:1 " + quoteArgument("handler_name=Computer sound")
            + " -metadata:s:a:2 handler_name=Microphone " + quoteArgument(path),
        &code);
    return code == 0 ? std::string() : "ffmpeg failed: " + out;
}

std::vector<std::string> soundTracksOf(const std::string& file)
{
    std::vector<std::string> tracks;
    const double length = probeDuration(file);
    std::istringstream lines(probe(file, "stream=duration:stream_tags=handler_name", "-select_streams a"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t comma = line.find(',');
        const std::string title = comma == std::string::npos ? std::string() : line.substr(comma + 1);
        double duration = 0;
        try {
            duration = std::stod(line.substr(0, comma));
        } catch (...) {
        }
        const std::string level = runAndCapture(
            "ffmpeg -hide_banner -nostats -i " + platform::quoteArgument(file) + " -map 0:a:"
            + std::to_string(tracks.size()) + " -af volumedetect -f null -");
        const std::size_t at = level.find("max_volume: ");
        const double peak = at == std::string::npos ? -999 : std::atof(level.c_str() + at + 12);
        tracks.push_back(duration < 0.9 * length ? "short" : title + (peak > -30 ? " tone" : " quiet"));
    }
    return tracks;
}

std::vector<std::filesystem::path> recordingsIn(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".mp4")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace testing_support
