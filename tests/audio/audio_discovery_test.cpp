// Discovery off the interface thread, with a discovery held by the test in
// place of a sound server that is slow to answer, which cannot be had on
// demand.
#include "audio/audio_discovery.h"

#include "../support/spin_events.h"

#include <QCoreApplication>

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

TEST(AudioDiscovery, StartNeverWaitsAndARequestDuringARunGetsAFreshResult_FakeServerSlow)
{
    int argc = 1;
    char name[] = "audio_discovery_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    std::mutex gate;
    std::condition_variable changed;
    bool open = false;
    int runs = 0;
    audio::AudioDiscovery discovery;
    discovery.setDiscover([&] {
        std::unique_lock lock(gate);
        changed.wait(lock, [&] { return open; });
        platform::AudioSources found;
        found.microphone = "mic-" + std::to_string(++runs);
        found.microphoneFound = true;
        return found;
    });
    std::vector<std::string> heard;
    QObject::connect(&discovery, &audio::AudioDiscovery::finished,
                     [&](const platform::AudioSources& found) { heard.push_back(found.microphone); });

    discovery.start(); // held: a wait here would never end
    discovery.start(); // asked again meanwhile: one more run follows
    EXPECT_TRUE(discovery.running());
    EXPECT_FALSE(discovery.found());
    {
        const std::lock_guard lock(gate);
        open = true;
    }
    changed.notify_all();
    testing_support::spinUntil([&] { return heard.size() >= 2; }, 10000);
    EXPECT_EQ(heard, (std::vector<std::string>{"mic-1", "mic-2"}));
    EXPECT_FALSE(discovery.running());
    EXPECT_EQ(discovery.found()->microphone, "mic-2");
}
