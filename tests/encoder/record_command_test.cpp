#include "encoder/pipewire_record.h"
#include "encoder/record_command.h"

#include "platform/command_line.h"

#include <gtest/gtest.h>
#include <vector>

using encoder::AudioComputerSound;
using encoder::AudioComputerSoundAndMic;
using encoder::AudioMicrophone;
using encoder::AudioNone;
using encoder::BuildGdigrabRecordArgs;
using encoder::BuildPipeWireCaptureCommand;
using encoder::BuildRecordArgs;
using encoder::BuildRecordCommandLine;
using encoder::BuildTakeCommandLine;
using encoder::BuildX11RecordArgs;
using encoder::RecordFileStem;
using encoder::RecordSources;
using encoder::RecordSourcesComplete;
using encoder::TakeFiles;
using encoder::TakeFilesOf;
using encoder::TakeOfWorkingFile;

namespace {

const std::string kTool = "\"C:\\Users\\u\\AppData\\Roaming\\VantreelScreenRecorder\\\\tool.exe\"";
const std::string kPicture = " -preset superfast -crf 26 -bf 0 -x264-params stitchable=1 -colorspace smpte170m -force_key_frames expr:gte(t,n_forced*3)";
const std::string kSilent = " -vcodec libx264 -r 60.97 -pix_fmt yuv420p" + kPicture;
const std::string kSound = " -vcodec libx264 -r 60.97 -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p" + kPicture;

RecordSources sources(int mode) { return {mode, "Stereo Mix (Realtek Audio)", "Microphone (USB \"Pro\")"}; }

platform::Desktop x11(int w, int h) { return {platform::DesktopGrab::X11, ":99", w, h}; }

// 2026-12-07 12:00:00.012345 UTC on the wall clock.
constexpr std::int64_t kOrigin = INT64_C(1796644800012345);
const std::string kShift = " -itsoffset -1796644800.012345";
const std::string kGdigrab = " -framerate 60.97 -f gdigrab -i desktop -vf crop=trunc(iw/2)*2:trunc(ih/2)*2 ";

} // namespace

TEST(RecordCommand, WindowsShapesWordForWord)
{
    const std::string out = "C:\\VantreelSave\\\\2026-12-06-16-23-31.mp4";
    EXPECT_EQ(BuildRecordCommandLine(kTool, BuildGdigrabRecordArgs(sources(AudioNone)), out),
              kTool + kGdigrab + kSilent + " -f mp4 \"" + out + "\" ");
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(-1)), BuildGdigrabRecordArgs(sources(AudioNone)));
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(AudioComputerSound)),
              " -f dshow -i audio=\"Stereo Mix (Realtek Audio)\" -filter_complex "
              "amix=inputs=1:duration=first:dropout_transition=1"
                  + kGdigrab + kSound);
    // A quote inside a device name is escaped, so the name reaches the encoder whole.
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(AudioMicrophone)),
              " -f dshow -i audio=\"Microphone (USB \\\"Pro\\\")\" -filter_complex "
              "amix=inputs=1:duration=first:dropout_transition=1"
                  + kGdigrab + kSound);
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(AudioComputerSoundAndMic)),
              " -f dshow -i audio=\"Stereo Mix (Realtek Audio)\" -f dshow -i audio=\"Microphone (USB \\\"Pro\\\")\""
              " -filter_complex amix=inputs=2:duration=first:dropout_transition=2"
                  + kGdigrab + kSound);
    // A part of the desktop is grabbed from its corner at its size.
    const platform::ScreenArea part{97, 49, 330, 200};
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(AudioNone), &part),
              " -framerate 60.97 -offset_x 97 -offset_y 49 -video_size 330x200 -f gdigrab -i desktop " + kSilent);
    // The "None" entry carries 4294967294, which reads as -2: no audio, no audio codec.
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(static_cast<int>(4294967294u))).find("-codec:a"), std::string::npos);
}

namespace {

// Where `word` stands in `args` at or after `from`; args.size() when nowhere.
std::size_t indexOf(const std::vector<std::string>& args, const std::string& word, std::size_t from = 0)
{
    for (std::size_t i = from; i < args.size(); ++i)
        if (args[i] == word)
            return i;
    return args.size();
}

} // namespace

// The X11 lines are this program's own: one whole line shows the shape, the
// rest checks what ffmpeg needs of them.
TEST(RecordCommand, X11Shapes)
{
    EXPECT_EQ(BuildX11RecordArgs(sources(AudioNone), x11(1280, 720), kOrigin),
              " -frame_drop_threshold 0.01 -framerate 60.97 -f x11grab -video_size 1280x720 -i :99 " + kSilent);
    RecordSources pulse{AudioComputerSoundAndMic, "spk.monitor", "alsa_input.usb-Mic $1"};
    const std::vector<std::string> args =
        platform::splitCommandLine("tool" + BuildX11RecordArgs(pulse, x11(1920, 1080), kOrigin));
    // One clock for all: -copyts before any input, and every input (both
    // sounds, then the screen, whose number the take's output maps) moved
    // to the start by the origin just before its own -i.
    ASSERT_EQ(args.at(1), "-copyts");
    const std::size_t computer = indexOf(args, pulse.computerSound);
    const std::size_t mic = indexOf(args, pulse.microphone);
    const std::size_t screen = indexOf(args, ":99");
    ASSERT_LT(computer, mic);
    ASSERT_LT(mic, screen);
    ASSERT_LT(screen, args.size());
    for (const std::size_t input : {computer, mic}) {
        EXPECT_EQ(args[input - 1], "-i");
        EXPECT_EQ(args[input - 2], "pulse");
        EXPECT_EQ(args[input - 4], "-1796644800.012345");
    }
    EXPECT_EQ(indexOf(args, "-itsoffset", mic), indexOf(args, "-thread_queue_size", mic) - 2);
    EXPECT_EQ(args[indexOf(args, "-thread_queue_size") + 1], "32");
    // Each sound padded from zero on its own, then mixed in step.
    EXPECT_EQ(args[indexOf(args, "-filter_complex") + 1],
              "[0:a]aresample=async=1000:first_pts=0[a0];[1:a]aresample=async=1000:first_pts=0[a1];"
              "[a0][a1]amix=inputs=2:duration=first:dropout_transition=2");
    EXPECT_NE(indexOf(args, "aac"), args.size());
    pulse.audioMode = AudioMicrophone;
    // An origin of microseconds keeps its leading zeros.
    EXPECT_NE(BuildRecordArgs(pulse, x11(800, 600), INT64_C(5)).find(" -copyts -itsoffset -0.000005 -f pulse "),
              std::string::npos);
    EXPECT_EQ(BuildRecordArgs(pulse, platform::Desktop{}, kOrigin), BuildGdigrabRecordArgs(pulse));
    const platform::ScreenArea part{97, 49, 330, 200};
    EXPECT_NE(BuildRecordArgs(pulse, x11(1280, 720), kOrigin, &part).find(" -video_size 330x200 -i :99+97,49 "),
              std::string::npos);
    // An odd desktop is grabbed one column and one row short: the encoder
    // takes even sizes only.
    EXPECT_NE(BuildRecordArgs(pulse, x11(1365, 767), kOrigin).find(" -video_size 1364x766 "), std::string::npos);
    // The grab's queue holds at most 256 MiB of frames, and never fewer than 8.
    EXPECT_NE(BuildRecordArgs(pulse, x11(3840, 2160), kOrigin).find(" -thread_queue_size 8 "), std::string::npos);
    EXPECT_NE(BuildRecordArgs(pulse, x11(2560, 1440), kOrigin).find(" -thread_queue_size 18 "), std::string::npos);
}

TEST(RecordCommand, OddNamesRoundTripThroughTheCommandLine)
{
    RecordSources odd{AudioComputerSoundAndMic, "-monitor \"x\" $HOME", "麦克风 (USB)\\"};
    const std::string out = "/tmp/save dir/-rec \"1\" $x `id`;.mp4";
    const auto args = platform::splitCommandLine(
        BuildRecordCommandLine("\"/data/tool\"", BuildX11RecordArgs(odd, x11(640, 480), kOrigin), out));
    ASSERT_GE(args.size(), 14u);
    EXPECT_EQ(args[0], "/data/tool");
    EXPECT_EQ(args[7], odd.computerSound);
    EXPECT_EQ(args[13], odd.microphone);
    EXPECT_EQ(args.back(), out);
}

// The take goes to both working files through the encoder's tee, which reads
// each name as a token of its own: any name must come through whole.
TEST(RecordCommand, TakeOutputNamesBothWorkingFilesAndPicksThePicture)
{
    const TakeFiles take = TakeFilesOf("C:\\Save\\2026-12-06-16-23-31.mp4");
    EXPECT_EQ(take.working, "C:\\Save\\2026-12-06-16-23-31.recording.ts");
    EXPECT_EQ(take.workingMp4, "C:\\Save\\2026-12-06-16-23-31.recording.part");
    EXPECT_EQ(TakeOfWorkingFile(take.working)->recording, take.recording);
    EXPECT_FALSE(TakeOfWorkingFile("/s/2026-12-06-16-23-31.mp4"));
    EXPECT_FALSE(TakeOfWorkingFile(".recording.ts"));
    EXPECT_EQ(BuildTakeCommandLine(kTool, BuildGdigrabRecordArgs(sources(AudioComputerSoundAndMic)),
                                   sources(AudioComputerSoundAndMic), take)
                  .substr(kTool.size() + BuildGdigrabRecordArgs(sources(AudioComputerSoundAndMic)).size()),
              " -map 2:v -flags +global_header -f tee "
              "\"[f=mp4]C\\:\\\\Save\\\\2026-12-06-16-23-31.recording.part|[f=mpegts:flush_packets=1]"
              "C\\:\\\\Save\\\\2026-12-06-16-23-31.recording.ts\" ");

    const TakeFiles odd = TakeFilesOf("/tmp/a|b/-x 'q' \"d\" $y [z]:w 新建 .mp4");
    const auto args = platform::splitCommandLine(BuildTakeCommandLine("tool", "", sources(AudioNone), odd));
    ASSERT_EQ(args.size(), 8u);
    EXPECT_EQ(args[2], "0:v");
    EXPECT_EQ(args[7], "[f=mp4]/tmp/a\\|b/-x\\ \\'q\\'\\ \"d\"\\ $y\\ \\[z\\]\\:w\\ 新建\\ .recording.part|"
                       "[f=mpegts:flush_packets=1]/tmp/a\\|b/-x\\ \\'q\\'\\ \"d\"\\ $y\\ \\[z\\]\\:w\\ 新建\\ .recording.ts");
}

TEST(RecordCommand, FileStemAndMissingDevices)
{
    EXPECT_EQ(RecordFileStem({2026, 12, 6, 16, 23, 31}), "2026-12-06-16-23-31");
    EXPECT_EQ(RecordFileStem({2027, 1, 2, 3, 4, 5}), "2027-01-02-03-04-05");

    EXPECT_TRUE(RecordSourcesComplete({AudioNone, "", ""}));
    EXPECT_TRUE(RecordSourcesComplete({AudioComputerSound, "spk.monitor", ""}));
    EXPECT_FALSE(RecordSourcesComplete({AudioComputerSound, "", "mic"}));
    EXPECT_FALSE(RecordSourcesComplete({AudioMicrophone, "spk.monitor", ""}));
    EXPECT_FALSE(RecordSourcesComplete({AudioComputerSoundAndMic, "", "mic"})); // only a microphone was found
}

TEST(RecordCommand, WaylandSessionsRecordTheScreenCastAtAnEvenSize)
{
    EXPECT_TRUE(platform::isWaylandSession("wayland-0", nullptr));
    EXPECT_TRUE(platform::isWaylandSession(nullptr, "wayland"));
    EXPECT_FALSE(platform::isWaylandSession("", "x11"));
    EXPECT_FALSE(platform::isWaylandSession(nullptr, nullptr));

    // libx264 refuses odd sizes: the capture and the encoder agree on the even one.
    const platform::Desktop cast{platform::DesktopGrab::PipeWire, "", 1365, 767};
    const std::string args = BuildRecordArgs(sources(AudioMicrophone), cast, 1796645464372217);
    EXPECT_NE(args.find(" -f pulse "), std::string::npos);
    // With sound only the sound is moved to the start: the frames count from it.
    EXPECT_NE(args.find(" -itsoffset -1796645464.372217 -f pulse "), std::string::npos);
    EXPECT_NE(args.find(" -f rawvideo -pix_fmt yuv420p -video_size 1364x766 -framerate 60.97 -i /dev/fd/3 "),
              std::string::npos);
    EXPECT_EQ(args.find("wallclock"), std::string::npos);
    // The capture hands over the stream's own size; the odd edge is left out later.
    const std::string capture = BuildPipeWireCaptureCommand("gst-launch-1.0", {-1, 42, 1365, 767});
    EXPECT_NE(capture.find("path=42 "), std::string::npos);
    EXPECT_NE(capture.find("format=BGRx,width=1365,height=767 ! fdsink fd=4"), std::string::npos);
}
