#pragma once
// Small helpers shared by the tests.
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The folder's path joined with `name`, as a UTF-8 string.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Path of the fault-injection child built beside the tests.
std::string faultChild();
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// Runs a program (arguments split by the Windows rules) and returns its merged
// output; `exitCode` gets its exit status.
std::string runAndCapture(const std::string& commandLine, int* exitCode = nullptr);

} // namespace testing_support

namespace testing_support {

// ffprobe's compact answer for the entries asked, e.g.
// probe(file, "stream=codec_name") == "h264\naac\n" (one line per stream).
std::string probe(const std::string& file, const std::string& entries, const std::string& extra = {});
// The duration of a media file in seconds, or -1.
double probeDuration(const std::string& file);
// Writes a recording like ours (H.264 with a keyframe every second, and AAC)
// of a test picture and tone. Empty on success, else ffmpeg's complaint.
std::string makeRecording(const std::string& path, int seconds);
// A recording with separate sound tracks, encoded as ours (stitchable
// H.264 at 60.97 fps, keyframes every second, AAC 44100 stereo): the mix (a
// tone with silence), "Computer sound" (the tone) and "Microphone" (silent),
// titled as the MP4 keeps titles. Empty on success, else ffmpeg's complaint.
std::string makeTrackedRecording(const std::string& path, int seconds);
// Each sound track of `file` in order, as "title tone|quiet": with "tone"
// where it holds the tone; an untitled track is "SoundHandler". A track
// that ends before nine tenths of the file is "short".
std::vector<std::string> soundTracksOf(const std::string& file);
// The .mp4 files directly in `folder`, by name.
std::vector<std::filesystem::path> recordingsIn(const std::filesystem::path& folder);

} // namespace testing_support
