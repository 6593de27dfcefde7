#include "capture/pipewire_record.h"
#include "recording/record_command.h"
#include "tests/support/plain_record_command.h"

#include "platform/command_line.h"

#include "command_args.h"

#include <gtest/gtest.h>
#include <vector>

using recording::AudioComputerSound;
using recording::AudioComputerSoundAndMic;
using recording::AudioMicrophone;
using recording::AudioNone;
using recording::BuildGdigrabRecordArgs;
using capture::BuildPipeWireCaptureCommand;
using recording::BuildRecordArgs;
using testing_support::BuildRecordCommandLine;
using recording::BuildTakeCommandLine;
using recording::BuildX11RecordArgs;
using recording::RecordFileStem;
using recording::RecordSources;
using recording::RecordSourcesComplete;
using takes::TakeFiles;
using takes::TakeFilesOf;
using takes::TakeOfWorkingFile;
using testing_support::argsOf;
using testing_support::indexOf;
using testing_support::valueOf;

namespace {

const std::string kTool = "\"C:\\Users\\u\\AppData\\Roaming\\VantreelScreenRecorder\\\\tool.exe\"";

RecordSources sources(int mode) { return {mode, "Stereo Mix (Realtek Audio)", "Microphone (USB \"Pro\")"}; }

platform::Desktop x11(int w, int h) { return {platform::DesktopGrab::X11, ":99", w, h}; }

// 2026-12-07 12:00:00.012345 UTC on the wall clock.
constexpr std::int64_t kOrigin = INT64_C(1796644800012345);

// What every recording's encoder is told, wherever it stands: H.264 at the
// recording rate and quality, keyframes every third second, and AAC where
// there is sound.
void expectRecordingOptions(const std::vector<std::string>& args, bool sound)
{
    EXPECT_EQ(valueOf(args, "-vcodec"), "libx264");
    EXPECT_EQ(valueOf(args, "-r"), "60.97");
    EXPECT_EQ(valueOf(args, "-pix_fmt"), "yuv420p");
    EXPECT_EQ(valueOf(args, "-crf"), "26");
    EXPECT_EQ(valueOf(args, "-bf"), "0");
    EXPECT_NE(valueOf(args, "-x264-params").find("stitchable=1"), std::string::npos);
    EXPECT_EQ(valueOf(args, "-force_key_frames"), "expr:gte(t,n_forced*3)");
    EXPECT_EQ(valueOf(args, "-codec:a"), sound ? "aac" : "");
    if (sound) {
        EXPECT_EQ(valueOf(args, "-ac"), "2");
        EXPECT_EQ(valueOf(args, "-ar"), "44100");
    }
}

// Where `input` is given to the encoder as "-i INPUT" with "-f FORMAT"
// among its own options (after the input before it), or args.size().
std::size_t inputOf(const std::vector<std::string>& args, const std::string& format, const std::string& input)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] != input || args[i - 1] != "-i")
            continue;
        for (std::size_t k = i - 1; k-- > 0 && args[k] != "-i";)
            if (args[k] == "-f" && args[k + 1] == format)
                return i;
    }
    return args.size();
}

} // namespace

TEST(RecordCommand, WindowsLinesGrabTheDesktopAndEachChosenSound)
{
    EXPECT_EQ(platform::splitCommandLine(kTool + BuildGdigrabRecordArgs(sources(AudioNone))).at(0),
              "C:\\Users\\u\\AppData\\Roaming\\VantreelScreenRecorder\\\\tool.exe");
    const std::string out = "C:\\Vantreel Save\\\\-2026 \"1\" $x 录像.mp4";
    const auto silent = argsOf(BuildRecordCommandLine(kTool, BuildGdigrabRecordArgs(sources(AudioNone)), out));
    ASSERT_GE(silent.size(), 3u);
    EXPECT_EQ(silent.back(), out);
    EXPECT_EQ(valueOf(silent, "-f", silent.size() - 3), "mp4");
    const std::size_t desktop = inputOf(silent, "gdigrab", "desktop");
    ASSERT_LT(desktop, silent.size());
    EXPECT_EQ(valueOf(silent, "-framerate"), "60.97");
    EXPECT_LT(indexOf(silent, "-framerate"), desktop);
    // The whole desktop is cut to an even size, as H.264 in 4:2:0 needs.
    EXPECT_EQ(valueOf(silent, "-vf", desktop), "crop=trunc(iw/2)*2:trunc(ih/2)*2");
    expectRecordingOptions(silent, false);
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(-1)), BuildGdigrabRecordArgs(sources(AudioNone)));

    // Each sound comes whole (a quote in a device's name too), before the
    // desktop, in slot order, and the sounds are mixed.
    const struct {
        int mode;
        std::vector<std::string> devices;
    } cases[] = {{AudioComputerSound, {sources(0).computerSound}},
                 {AudioMicrophone, {sources(0).microphone}},
                 {AudioComputerSoundAndMic, {sources(0).computerSound, sources(0).microphone}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto args = argsOf("tool" + BuildGdigrabRecordArgs(sources(c.mode)));
        std::size_t before = 0;
        for (const std::string& device : c.devices) {
            const std::size_t at = inputOf(args, "dshow", "audio=" + device);
            EXPECT_LT(at, inputOf(args, "gdigrab", "desktop")) << device;
            EXPECT_GE(at, before);
            before = at;
        }
        const std::string mix = valueOf(args, "-filter_complex");
        EXPECT_NE(mix.find("amix=inputs=" + std::to_string(c.devices.size())), std::string::npos) << mix;
        expectRecordingOptions(args, true);
    }
    // A part of the desktop is grabbed from its corner at its size.
    const platform::ScreenArea part{97, 49, 330, 200};
    const auto partial = argsOf("tool" + BuildGdigrabRecordArgs(sources(AudioNone), &part));
    const std::size_t grab = inputOf(partial, "gdigrab", "desktop");
    EXPECT_EQ(valueOf(partial, "-offset_x"), "97");
    EXPECT_EQ(valueOf(partial, "-offset_y"), "49");
    EXPECT_EQ(valueOf(partial, "-video_size"), "330x200");
    EXPECT_LT(indexOf(partial, "-video_size"), grab);
    expectRecordingOptions(partial, false);
    // The "None" entry carries 4294967294, which reads as -2: no audio, no audio codec.
    EXPECT_EQ(BuildGdigrabRecordArgs(sources(static_cast<int>(4294967294u))).find("-codec:a"), std::string::npos);
}

// What ffmpeg needs of the X11 lines.
TEST(RecordCommand, X11Shapes)
{
    const auto silent = argsOf("tool" + BuildX11RecordArgs(sources(AudioNone), x11(1280, 720), kOrigin));
    const std::size_t grab = inputOf(silent, "x11grab", ":99");
    ASSERT_LT(grab, silent.size());
    EXPECT_EQ(valueOf(silent, "-video_size"), "1280x720");
    EXPECT_EQ(valueOf(silent, "-framerate"), "60.97");
    EXPECT_LT(indexOf(silent, "-framerate"), grab);
    expectRecordingOptions(silent, false);
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
    const auto early = argsOf("tool" + BuildRecordArgs(pulse, x11(800, 600), INT64_C(5)));
    EXPECT_EQ(valueOf(early, "-itsoffset"), "-0.000005");
    EXPECT_LT(indexOf(early, "-itsoffset"), inputOf(early, "pulse", pulse.microphone));
    EXPECT_EQ(BuildRecordArgs(pulse, platform::Desktop{}, kOrigin), BuildGdigrabRecordArgs(pulse));
    const platform::ScreenArea part{97, 49, 330, 200};
    const auto partial = argsOf("tool" + BuildRecordArgs(pulse, x11(1280, 720), kOrigin, &part));
    EXPECT_LT(inputOf(partial, "x11grab", ":99+97,49"), partial.size());
    EXPECT_EQ(valueOf(partial, "-video_size"), "330x200");
    // An odd desktop is grabbed one column and one row short: the encoder
    // takes even sizes only.
    EXPECT_EQ(valueOf(argsOf("tool" + BuildRecordArgs(pulse, x11(1365, 767), kOrigin)), "-video_size"), "1364x766");
    // The grab's queue holds at most 256 MiB of frames, and never fewer than 8.
    const auto grabQueue = [&pulse](int w, int h) {
        const auto line = argsOf("tool" + BuildRecordArgs(pulse, x11(w, h), kOrigin));
        std::string queue;
        for (std::size_t i = 0; i + 1 < inputOf(line, "x11grab", ":99"); ++i)
            if (line[i] == "-thread_queue_size")
                queue = line[i + 1];
        return queue;
    };
    EXPECT_EQ(grabQueue(3840, 2160), "8");
    EXPECT_EQ(grabQueue(2560, 1440), "18");
}

TEST(RecordCommand, OddNamesRoundTripThroughTheCommandLine)
{
    RecordSources odd{AudioComputerSoundAndMic, "-monitor \"x\" $HOME", "麦克风 (USB)\\"};
    const std::string out = "/tmp/save dir/-rec \"1\" $x `id`;.mp4";
    const auto args = platform::splitCommandLine(
        BuildRecordCommandLine("\"/data/tool\"", BuildX11RecordArgs(odd, x11(640, 480), kOrigin), out));
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args[0], "/data/tool");
    EXPECT_LT(inputOf(args, "pulse", odd.computerSound), args.size());
    EXPECT_LT(inputOf(args, "pulse", odd.microphone), args.size());
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
    // The picture is the input after both sounds; the tee's own escapes
    // keep the drive's colon and the backslashes.
    const auto both = argsOf(BuildTakeCommandLine(kTool, BuildGdigrabRecordArgs(sources(AudioComputerSoundAndMic)),
                                                  sources(AudioComputerSoundAndMic), take));
    ASSERT_GE(both.size(), 3u);
    EXPECT_EQ(valueOf(both, "-map", inputOf(both, "gdigrab", "desktop")), "2:v");
    EXPECT_EQ(both[both.size() - 3], "-f");
    EXPECT_EQ(both[both.size() - 2], "tee");
    EXPECT_EQ(both.back(), "[f=mp4]C\\:\\\\Save\\\\2026-12-06-16-23-31.recording.part|[f=mpegts:flush_packets=1]"
                           "C\\:\\\\Save\\\\2026-12-06-16-23-31.recording.ts");

    const TakeFiles odd = TakeFilesOf("/tmp/a|b/-x 'q' \"d\" $y [z]:w 新建 .mp4");
    const auto args = argsOf(BuildTakeCommandLine("tool", "", sources(AudioNone), odd));
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(valueOf(args, "-map"), "0:v");
    EXPECT_EQ(args.back(), "[f=mp4]/tmp/a\\|b/-x\\ \\'q\\'\\ \"d\"\\ $y\\ \\[z\\]\\:w\\ 新建\\ .recording.part|"
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
    const std::string line = BuildRecordArgs(sources(AudioMicrophone), cast, 1796645464372217);
    const auto args = argsOf("tool" + line);
    const std::size_t sound = inputOf(args, "pulse", sources(0).microphone);
    ASSERT_LT(sound, args.size());
    // With sound only the sound is moved to the start: the frames count from it.
    EXPECT_EQ(valueOf(args, "-itsoffset"), "-1796645464.372217");
    EXPECT_LT(indexOf(args, "-itsoffset"), sound);
    EXPECT_EQ(indexOf(args, "-itsoffset", sound), args.size());
    // The frames come with their instants, each repeated until the next at
    // the written rate.
    const std::size_t frames = inputOf(args, "matroska", "/dev/fd/3");
    ASSERT_LT(frames, args.size());
    EXPECT_EQ(valueOf(args, "-r", frames), "60.97");
    EXPECT_EQ(line.find("wallclock"), std::string::npos);
    // The capture hands over the stream's own size; the odd edge is left out later.
    const std::string capture = BuildPipeWireCaptureCommand("gst-launch-1.0", {-1, 42, 1365, 767});
    EXPECT_NE(capture.find("path=42 "), std::string::npos);
    EXPECT_NE(capture.find("format=BGRx,width=1365,height=767 ! fdsink fd=4"), std::string::npos);
}

// Sound read by the program comes on descriptors 4 and 5, already on the
// frames' clock; separate tracks follow the picture with their titles
// whole, whatever the language puts in them.
TEST(RecordCommand, PipedSoundAndSeparateTracks)
{
    RecordSources both = sources(AudioComputerSoundAndMic);
    both.separateTracks = true;
    both.computerSoundTitle = "-Son \"de\" l'ordi $x";
    both.microphoneTitle = "麦克风\nUSB";
    const auto args = argsOf(BuildTakeCommandLine(
        kTool, recording::BuildFramePipeRecordArgs(both, 640, 480, kOrigin, true), both, TakeFilesOf("/t/a.mp4")));
    EXPECT_LT(inputOf(args, "s16le", "/dev/fd/4"), inputOf(args, "s16le", "/dev/fd/5"));
    EXPECT_LT(inputOf(args, "s16le", "/dev/fd/5"), inputOf(args, "rawvideo", "/dev/fd/3"));
    EXPECT_EQ(valueOf(args, "-itsoffset"), "") << "piped sound needs no shift";
    EXPECT_EQ(valueOf(args, "-metadata:s:a:1"), "handler_name=-Son \"de\" l'ordi $x");
    EXPECT_EQ(valueOf(args, "-metadata:s:a:2"), "handler_name=麦克风\nUSB");
    // The picture, then each source's own track after it.
    const std::size_t picture = indexOf(args, "2:v");
    EXPECT_LT(picture, indexOf(args, "[s0]"));
    EXPECT_LT(indexOf(args, "[s0]"), indexOf(args, "[s1]"));
    expectRecordingOptions(args, true);
    // Without the choice, or with one source, there is the mix alone.
    both.separateTracks = false;
    const auto mixOnly = argsOf(BuildTakeCommandLine(
        kTool, recording::BuildFramePipeRecordArgs(both, 640, 480, kOrigin, true), both, TakeFilesOf("/t/a.mp4")));
    EXPECT_EQ(indexOf(mixOnly, "[s0]"), mixOnly.size());
}
