// Discovery against real PulseAudio servers: the session's own, a private one
// whose defaults the test may change, none at all, and a stuck one.
#include "platform/audio_sources.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono;
using testing_support::TempFolder;

namespace {

// Points libpulse at another server for the lifetime of the object.
class PulseServerOverride {
public:
    explicit PulseServerOverride(const std::string& server)
    {
        if (const char* old = std::getenv("PULSE_SERVER"))
            old_ = old;
        ::setenv("PULSE_SERVER", server.c_str(), 1);
    }
    ~PulseServerOverride()
    {
        if (old_)
            ::setenv("PULSE_SERVER", old_->c_str(), 1);
        else
            ::unsetenv("PULSE_SERVER");
    }

private:
    std::optional<std::string> old_;
};

platform::AudioSources timedDiscovery(milliseconds* took)
{
    const auto start = steady_clock::now();
    platform::AudioSources found = platform::discoverAudioSources();
    *took = duration_cast<milliseconds>(steady_clock::now() - start);
    return found;
}

int runShell(const std::string& command) { return std::system(command.c_str()); }

// A PulseAudio server of the test's own, so that its defaults can be changed
// without disturbing the session's server.
class PrivateServer {
public:
    explicit PrivateServer(const std::string& script)
    {
        const std::string scriptPath = dir_.file("server.pa");
        socket_ = dir_.file("native");
        testing_support::writeFile(
            scriptPath, "load-module module-native-protocol-unix socket=" + socket_ + " auth-anonymous=1\n" + script);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("PULSE_RUNTIME_PATH", dir_.path().c_str(), 1);
            ::setenv("PULSE_STATE_PATH", dir_.path().c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
            ::execlp("pulseaudio", "pulseaudio", "-n", "-F", scriptPath.c_str(), "--daemonize=no",
                     "--exit-idle-time=-1", "--use-pid-file=no", "--log-target=stderr", "--log-level=0",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !ready(); ++i)
            std::this_thread::sleep_for(100ms);
    }
    ~PrivateServer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    std::string server() const { return "unix:" + socket_; }
    bool ready() const { return pactl("info >/dev/null 2>&1") == 0; }
    int pactl(const std::string& args) const { return runShell("PULSE_SERVER=" + server() + " pactl " + args); }

private:
    TempFolder dir_;
    std::string socket_;
    pid_t pid_ = -1;
};

} // namespace

TEST(AudioSourcesPulse, SessionServerGivesDefaultSinkMonitorAndDefaultSource)
{
    milliseconds took{};
    const platform::AudioSources found = timedDiscovery(&took);
    EXPECT_TRUE(found.computerSoundFound);
    EXPECT_TRUE(found.microphoneFound);
    EXPECT_EQ(found.computerSound, "spk.monitor");
    EXPECT_EQ(found.microphone, "mic");
    EXPECT_LT(took, 1000ms);
}

TEST(AudioSourcesPulse, DefaultsComeFirstAndAMonitorIsNeverTheMicrophone)
{
    PrivateServer pulse("load-module module-null-sink sink_name=first\n"
                        "load-module module-null-sink sink_name=second\n"
                        "load-module module-null-source source_name=src1\n"
                        "load-module module-null-source source_name=src2\n"
                        "set-default-sink second\n"
                        "set-default-source src2\n");
    ASSERT_TRUE(pulse.ready());
    PulseServerOverride use(pulse.server());

    platform::AudioSources found = platform::discoverAudioSources();
    EXPECT_EQ(found.computerSound, "second.monitor");
    EXPECT_EQ(found.microphone, "src2");

    // A monitor as the default source: the microphone is the first real source.
    ASSERT_EQ(pulse.pactl("set-default-source first.monitor"), 0);
    found = platform::discoverAudioSources();
    EXPECT_EQ(found.computerSound, "second.monitor");
    EXPECT_EQ(found.microphone, "src1");
}

TEST(AudioSourcesPulse, ServerWithOnlyASinkHasNoMicrophone)
{
    PrivateServer pulse("load-module module-null-sink sink_name=only\n");
    ASSERT_TRUE(pulse.ready());
    PulseServerOverride use(pulse.server());

    const platform::AudioSources found = platform::discoverAudioSources();
    EXPECT_EQ(found.computerSound, "only.monitor");
    EXPECT_FALSE(found.microphoneFound);
    EXPECT_TRUE(found.microphone.empty());
}

TEST(AudioSourcesPulse, NoServerFindsNothingQuickly)
{
    TempFolder dir;
    PulseServerOverride use("unix:" + dir.file("no-server-here"));
    milliseconds took{};
    const platform::AudioSources found = timedDiscovery(&took);
    EXPECT_FALSE(found.computerSoundFound);
    EXPECT_FALSE(found.microphoneFound);
    EXPECT_TRUE(found.computerSound.empty());
    EXPECT_TRUE(found.microphone.empty());
    EXPECT_LT(took, 500ms);
}

// A server that accepts the connection and then never answers cannot be made
// from a real PulseAudio on demand; a bare listening socket plays it.
TEST(AudioSourcesPulse, FaultStuckServerDoesNotHangDiscovery)
{
    TempFolder dir;
    const std::string path = dir.file("stuck");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    path.copy(addr.sun_path, path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 4), 0);

    PulseServerOverride use("unix:" + path);
    milliseconds took{};
    const platform::AudioSources found = timedDiscovery(&took);
    ::close(fd);
    EXPECT_FALSE(found.computerSoundFound);
    EXPECT_FALSE(found.microphoneFound);
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 2500ms);
}
