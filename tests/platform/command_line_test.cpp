#include "platform/command_line.h"

#include <gtest/gtest.h>

using platform::quoteArgument;
using platform::splitCommandLine;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheWindowsRules)
{
    EXPECT_EQ(splitCommandLine(""), Args{});
    EXPECT_EQ(splitCommandLine("  \t "), Args{});
    EXPECT_EQ(splitCommandLine(R"("C:\a b\tool.exe" -i x)"), (Args{R"(C:\a b\tool.exe)", "-i", "x"}));
    // The program name takes backslashes literally, even before a quote.
    EXPECT_EQ(splitCommandLine(R"("C:\dir\\tool.exe"-i "in.mp4")"), (Args{R"(C:\dir\\tool.exe)", "-i", "in.mp4"}));
    EXPECT_EQ(splitCommandLine(R"(p a\\\"b)"), (Args{"p", R"(a\"b)"}));
    EXPECT_EQ(splitCommandLine(R"(p "a\\" b)"), (Args{"p", R"(a\)", "b"}));
    EXPECT_EQ(splitCommandLine(R"(p a\b\\c)"), (Args{"p", R"(a\b\\c)"}));
    EXPECT_EQ(splitCommandLine(R"x(p audio="Mic (USB)" x)x"), (Args{"p", "audio=Mic (USB)", "x"}));
    EXPECT_EQ(splitCommandLine(R"(p "a""b")"), (Args{"p", R"(a"b)"}));
    // "" inside a group ends it: the next quote opens a new one.
    EXPECT_EQ(splitCommandLine(R"(p "a""b" c)"), (Args{"p", R"(a"b c)"}));
    EXPECT_EQ(splitCommandLine(R"(p "a""b"c d)"), (Args{"p", R"(a"bc d)"}));
    EXPECT_EQ(splitCommandLine(R"(p """a""" b)"), (Args{"p", R"("a")", "b"}));
    EXPECT_EQ(splitCommandLine("p \"\" x"), (Args{"p", "", "x"}));
    // Two blanks between options make no empty argument.
    EXPECT_EQ(splitCommandLine("p -i desktop  -vcodec libx264 "), (Args{"p", "-i", "desktop", "-vcodec", "libx264"}));
}

TEST(QuoteArgument, RoundTripsAnyText)
{
    EXPECT_EQ(quoteArgument("plain name.mp4"), "\"plain name.mp4\"");
    EXPECT_EQ(quoteArgument(R"(C:\save\)"), R"("C:\save\\")");
    const std::vector<std::string> samples = {
        "",
        "a b",
        R"(say "hi")",
        R"(trail\)",
        R"(\\server\share\)",
        "$HOME `id`; rm -rf x",
        "-leading dash",
        "录像 2026.mp4",
        R"(mixed \"already\" escaped\\")",
        "tab\there",
    };
    for (const std::string& s : samples) {
        const Args args = splitCommandLine("prog " + quoteArgument(s));
        ASSERT_EQ(args.size(), 2u) << s;
        EXPECT_EQ(args[1], s);
    }
}
