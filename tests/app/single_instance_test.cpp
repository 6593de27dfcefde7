// The real program started as a second copy, against a running copy played by
// this test (so that its window's state can be seen) or by the program itself.
#include "app/running_copy.h"
#include "platform/single_instance.h"

#include "../support/test_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

using app::AskRunningCopyToShow;
using app::RunningCopyListener;
using namespace testing_support;

namespace {

QApplication& application()
{
    static int argc = 1;
    static char name[] = "single_instance_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Each test has its own temporary folder, which holds the lock file and the
// socket: copies of other tests and sessions never meet ours.
class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        application();
        if (const char* old = std::getenv("TMPDIR"))
            oldTmp_ = old;
        ::setenv("TMPDIR", tmp_.path().c_str(), 1);
    }

    void TearDown() override
    {
        if (oldTmp_.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", oldTmp_.c_str(), 1);
    }

    void start(QProcess& copy)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tmp_.path().string()));
        copy.setProcessEnvironment(env);
        copy.setProgram(QStringLiteral(VTR_PROGRAM_PATH));
        copy.start();
    }

    // Runs a copy to its end while this process goes on answering; the
    // milliseconds it took, or -1 when it still ran after `ms`.
    qint64 runToEnd(QProcess& copy, int ms = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        start(copy);
        if (QTest::qWaitFor([&] { return copy.state() == QProcess::NotRunning; }, ms))
            return timer.elapsed();
        copy.kill();
        copy.waitForFinished();
        return -1;
    }

    TempFolder tmp_;
    std::string oldTmp_;
};

// Window ids of the copy's windows titled exactly `title`.
QString windowOf(const QProcess& copy, const QString& title)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--pid"),
                  QString::number(copy.processId()), QStringLiteral("--name"),
                  QLatin1Char('^') + title + QLatin1Char('$')});
    search.waitForFinished();
    return QString::fromUtf8(search.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

TEST_F(SingleInstance, SecondCopyShowsTheRunningWindowInItsNormalStateAndExitsAtOnce)
{
    ASSERT_FALSE(platform::IsAlreadyRunning()); // this test is the running copy
    EXPECT_TRUE(platform::IsAlreadyRunning()) << "the lock is not exclusive";
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantreel Screen Recorder"));
    RunningCopyListener listener(&window);
    ASSERT_TRUE(listener.isListening());

    const struct {
        const char* state;
        void (*set)(QWidget&);
    } states[] = {
        {"hidden in the tray", [](QWidget& w) { w.show(), w.hide(); }},
        {"minimised", [](QWidget& w) { w.showMinimized(); }},
        {"shown", [](QWidget& w) { w.show(); }},
    };
    for (const auto& s : states) {
        s.set(window);
        QProcess second;
        const qint64 ms = runToEnd(second);
        EXPECT_GE(ms, 0) << s.state << ": the second copy did not end (a box?)";
        EXPECT_LT(ms, 5000) << s.state;
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit) << s.state;
        EXPECT_EQ(second.exitCode(), 0) << s.state;
        EXPECT_TRUE(window.isVisible()) << s.state;
        EXPECT_FALSE(window.isMinimized()) << s.state;
    }
}

TEST_F(SingleInstance, ProgramStartsOnceAndALockLeftByAKilledCopyDoesNotBlockTheNext)
{
    QProcess first;
    start(first);
    // Its answer says it showed its window.
    ASSERT_TRUE(QTest::qWaitFor([] { return AskRunningCopyToShow(200); }, 15000));
    EXPECT_FALSE(windowOf(first, QStringLiteral("Vantreel Screen Recorder")).isEmpty());

    QProcess second;
    const qint64 ms = runToEnd(second);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 5000);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // SIGKILL: the lock file and the socket file stay behind.
    first.kill();
    first.waitForFinished();
    QProcess third;
    start(third);
    ASSERT_TRUE(QTest::qWaitFor([] { return AskRunningCopyToShow(200); }, 15000))
        << "the copy after a killed one did not become the running copy";
    EXPECT_EQ(third.state(), QProcess::Running);

    QProcess fourth;
    EXPECT_GE(runToEnd(fourth), 0);
    EXPECT_EQ(fourth.exitCode(), 0);
    third.terminate();
    third.waitForFinished();
}

TEST_F(SingleInstance, RunningCopyThatCannotBeReachedGivesTheIsRunningBox)
{
    ASSERT_FALSE(platform::IsAlreadyRunning()); // held here, and nobody listens
    QProcess second;
    start(second);
    QString box;
    (void)QTest::qWaitFor([&] { return !(box = windowOf(second, QStringLiteral("Register"))).isEmpty(); }, 15000);
    ASSERT_FALSE(box.isEmpty()) << "no \"Register\" box";
    EXPECT_EQ(second.state(), QProcess::Running) << "it must wait until the box is closed";

    // OK closes it, and the copy leaves with 0.
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), box});
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    if (second.state() != QProcess::NotRunning) {
        second.kill();
        second.waitForFinished();
    }
}

TEST_F(SingleInstance, LockIsMadeReadableToAllButNeverFollowsALinkNorIsWorldWritable)
{
    std::string name = platform::kSingleInstanceName;
    std::replace(name.begin(), name.end(), '\\', '-');
    const std::filesystem::path lock = tmp_.path() / (name + ".lock");

    // A link planted where the lock goes: what it points at is neither made nor changed.
    const std::filesystem::path victim = tmp_.path() / "victim";
    std::filesystem::create_symlink(victim, lock);
    EXPECT_FALSE(platform::IsAlreadyRunning());
    EXPECT_FALSE(std::filesystem::exists(victim));
    std::filesystem::remove(lock);

    // Other users must be able to open it to lock it, whatever our umask.
    const mode_t oldMask = ::umask(077);
    EXPECT_FALSE(platform::IsAlreadyRunning());
    ::umask(oldMask);
    struct stat st { };
    ASSERT_EQ(::lstat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_TRUE(platform::IsAlreadyRunning());
}
