#include "settings/ini_file.h"
#include "settings/web_links.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;
using settings::HelpSegment;
using settings::MakeWebLinks;

TEST(WebLinks, HelpFollowsTheStoredLanguageAboutAndSupportNever)
{
    const std::string root = settings::kSiteRoot;
    const settings::WebLinks german = MakeWebLinks("/Deutsche");
    EXPECT_EQ(german.help, root + "/de/orvello/tutorial.html");
    EXPECT_EQ(german.about, root + "/about.html");
    EXPECT_EQ(german.support, root + "/support.html");
    EXPECT_EQ(MakeWebLinks("/English").help, root + "/orvello/tutorial.html");
    EXPECT_EQ(MakeWebLinks("").help, root + "/orvello/tutorial.html");

    EXPECT_EQ(HelpSegment("/French"), "fr");
    EXPECT_EQ(HelpSegment("/Portugal"), "pg");
    EXPECT_EQ(HelpSegment("/zh-TW"), "tw");
    EXPECT_EQ(HelpSegment("/zh-CN"), "cn");
    EXPECT_EQ(HelpSegment("/NewSpainish"), "es");      // held anywhere in the name
    EXPECT_EQ(HelpSegment("/spain"), "");              // case counts
    EXPECT_EQ(HelpSegment("/Japan and Turkey"), "tr"); // the earlier row wins
}

TEST(WebLinks, TheTableFollowsConfigIni)
{
    TempFolder dir;
    const std::string config = dir.file("config.ini");
    settings::updateWebLinks(config); // no file: English
    EXPECT_EQ(settings::webLinks().help, std::string(settings::kSiteRoot) + "/orvello/tutorial.html");

    ASSERT_TRUE(ini::WriteString(u"DefaultLanguage", u"Default", u"/Japan", config));
    settings::updateWebLinks(config);
    EXPECT_EQ(settings::webLinks().help, std::string(settings::kSiteRoot) + "/jp/orvello/tutorial.html");
}
