#pragma once
// The library benchmarks' folders of recordings, and the old way of reading
// their lengths that they measure against.
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "library/recordings_listing.h"
#include "platform/command_line.h"
#include "media/recording_length.h"

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

// Three short files shaped as the recorder writes them (at `videoBitrate`)
// and one fragmented, in `folder`. Returns their paths; empty when ffmpeg
// failed.
inline std::vector<std::filesystem::path> MakeSeedRecordings(const std::filesystem::path& folder,
                                                             const std::string& videoBitrate)
{
    const auto ffmpeg = [](const std::string& arguments) {
        return encoder::RunTool("ffmpeg -v error -y " + arguments) == encoder::RunEnded;
    };
    const std::string source = " -f lavfi -i testsrc=size=160x120:rate=30 -f lavfi -i sine=frequency=440";
    const std::string encode = " -vcodec libx264 -r 60.97 -b:v " + videoBitrate
        + " -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p -tune zerolatency -preset ultrafast"
          " -force_key_frames expr:gte(t,n_forced)";
    std::vector<std::filesystem::path> seeds;
    for (const char* seconds : {"1.2", "2.5", "3.7"}) {
        seeds.push_back(folder / (std::string(seconds) + ".mp4"));
        if (!ffmpeg(source + " -t " + seconds + encode + " -f mp4 " + platform::quoteArgument(seeds.back().string())))
            return {};
    }
    seeds.push_back(folder / "fragmented.mp4");
    ffmpeg(source + " -t 2.2" + encode + " -movflags +frag_keyframe+empty_moov+default_base_moof "
           + platform::quoteArgument(seeds.back().string()));
    return seeds;
}

// The folder sizes given on a benchmark's command line, or `defaults`.
inline std::vector<int> FolderSizes(int argc, char** argv, std::vector<int> defaults)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-')
            sizes.push_back(std::atoi(argv[i]));
    return sizes.empty() ? defaults : sizes;
}

// A new work folder of a benchmark's own (`name` and this process) in the
// temporary folder, with MakeSeedRecordings in its "seeds".
struct SeededFolder {
    std::filesystem::path root;
    std::vector<std::filesystem::path> seeds; // empty when ffmpeg failed
};
inline SeededFolder MakeSeededFolder(const std::string& name, const std::string& videoBitrate)
{
    SeededFolder made{std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid())), {}};
    std::filesystem::create_directories(made.root / "seeds");
    made.seeds = MakeSeedRecordings(made.root / "seeds", videoBitrate);
    return made;
}

// `folder`, made with `count` copies of `seeds` named as the recorder names
// them, each written a second after the one before, so that listing order
// is known. Returns the folder.
inline std::filesystem::path FillRecordingFolder(const std::filesystem::path& folder,
                                                 const std::vector<std::filesystem::path>& seeds, int count)
{
    std::filesystem::create_directories(folder);
    const auto newest = std::filesystem::file_time_type::clock::now();
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path copy = folder / ("Recording " + std::to_string(100000 + i) + ".mp4");
        std::filesystem::copy_file(seeds[static_cast<std::size_t>(i) % seeds.size()], copy);
        std::filesystem::last_write_time(copy, newest - std::chrono::seconds(count - i));
    }
    return folder;
}

// The old way: one probe process per file, four at a time, for the first
// `count` records of `listing` (files of `folder`).
inline void ProbeEachFile(const std::string& folder, library::RecordingListing& listing, std::size_t count)
{
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            listing[i].duration = media::ProbeDuration(library::RecordingPath(folder, listing[i].name));
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
}
