// The language files shipped beside the program: complete, consistent and
// readable through the language tables.
#include "i18n/language_config.h"
#include "settings/ini_file.h"
#include "settings/ini_value.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <vector>

using i18n::CLanguageConfig;

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempFolder;

// Every key the program looks up.
const char* const kKeys[] = {
    "MainWnd/FreeProductName",
    "MainWnd/Back",
    "MainWnd/Copyright",
    "MainWnd/Language",
    "MainWnd/Help",
    "MainWnd/Support",
    "MainWnd/SaveDir",
    "MainWnd/FreeSpace",
    "MainWnd/Unknow",
    "MainWnd/ScreenDescri",
    "MainWnd/Start",
    "MainWnd/Stop",
    "MainWnd/Pause",
    "MainWnd/Quit",
    "MainWnd/Recorder",
    "MainWnd/ComputerSound",
    "MainWnd/Mic",
    "MainWnd/ComputerSoundAndMic",
    "MainWnd/Play",
    "MainWnd/StartTime",
    "MainWnd/EndTime",
    "MainWnd/Cut",
    "MainWnd/Merge",
    "MainWnd/VideoDir",
    "MainWnd/FileName",
    "MainWnd/Time",
    "MainWnd/Size",
    "MainWnd/Question",
    "MainWnd/Info",
    "MainWnd/OK",
    "MainWnd/NO",
    "MainWnd/Cancel",
    "MainWnd/Menu",
    "MainWnd/Minimize",
    "MainWnd/Close",
    "MainWnd/ChooseFolder",
    "MainWnd/RecordScreen",
    "MainWnd/MergeVideos",
    "MainWnd/CutVideo",
    "MainWnd/AddToList",
    "MainWnd/MoveUp",
    "MainWnd/MoveDown",
    "MainWnd/RemoveFromList",
    "MainWnd/Audio",
    "MainWnd/Capture",
    "MainWnd/WholeDesktop",
    "MainWnd/ScreenN",
    "MainWnd/AnArea",
    "MainWnd/AWindow",
    "MainWnd/ChosenArea",
    "MainWnd/ChosenWindow",
    "MainWnd/PickArea",
    "MainWnd/PickWindow",
    "MainWnd/Countdown",
    "MainWnd/CountdownOff",
    "MainWnd/CountdownSeconds",
    "MainWnd/NoSound",
    "MainWnd/Position",
    "MainWnd/PictureStrip",
    "MainWnd/Recordings",
    "MainWnd/MergeList",
    "MainWnd/Progress",
    "Messages/MSG1008",
    "Messages/MSG1010",
    "Messages/MSG1011",
    "Messages/MSG1012",
    "Messages/MSG1013",
    "Messages/MSG1014",
    "Messages/MSG1015",
    "Messages/MSG1016",
    "Messages/MSG1017",
    "Messages/MSG1018",
    "Messages/MSG1019",
    "Messages/MSG1020",
    "Messages/MSG1021",
    "Messages/MSG1022",
    "Messages/MSG1023",
    "Messages/MSG1024",
    "Messages/MSG1025",
    "Messages/MSG1026",
    "Messages/MSG1027",
    "Messages/MSG1028",
    "Messages/MSG1029",
    "MainWnd/Resume",
    "MainWnd/Paused",
    "MainWnd/PreviousFrame",
    "MainWnd/NextFrame",
    "MainWnd/PreviousFrameName",
    "MainWnd/NextFrameName",
    "MainWnd/KeyframeCut",
    "MainWnd/Hotkeys",
    "MainWnd/HotkeyStartStop",
    "MainWnd/HotkeyPauseResume",
    "MainWnd/HotkeyHint",
    "MainWnd/HotkeysUnavailable",
    "MainWnd/HotkeyRefused",
    "MainWnd/HotkeysSame",
    "MainWnd/SeparateTracks",
    "MainWnd/SeparateTracksTip",
    "MainWnd/SilentComputerSound",
    "MainWnd/SilentMic",
    "MainWnd/GoneComputerSound",
    "MainWnd/GoneMic",
    "MainWnd/GoneComputerSoundRecording",
    "MainWnd/GoneMicRecording",
    "Messages/MSG1030",
    "Messages/MSG1031",
    "Messages/MSG1032",
    "Messages/MSG1033",
    "Messages/MSG1034",
    "Messages/MSG1035",
    "Messages/MSG1036",
    "Messages/MSG1037",
    "Messages/MSG1038",
    "Messages/MSG1039",
    "Messages/MSG1040",
    "Messages/MSG1041",
    "Messages/MSG1042",
};

const std::pair<const char*, const char16_t*> kLanguages[] = {
    {"/English", u"English"},
    {"/French", u"Fran\u00E7ais"},
    {"/Deutsche", u"Deutsch"},
    {"/Spain", u"Espa\u00F1ol"},
    {"/Italy", u"Italiano"},
    {"/Netherlands", u"Nederlands"},
    {"/Portugal", u"Portugu\u00EAs"},
    {"/Turkey", u"T\u00FCrk\u00E7e"},
    {"/Japan", u"\u65E5\u672C\u8A9E"},
    {"/zh-TW", u"\u7E41\u9AD4\u4E2D\u6587"},
    {"/zh-CN", u"\u7B80\u4F53\u4E2D\u6587"},
};

// The printf conversions and "%1" places of a format, in order; "%%" is a
// plain percent sign.
std::vector<std::string> conversions(const QString& format)
{
    std::vector<std::string> found;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%')
            continue;
        if (i + 1 < format.size() && format[i + 1] == u'%') {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        if (end < format.size() && format[end].isDigit()) { // a QString::arg place: "%1"
            found.push_back(format.mid(i, 2).toStdString());
            i = end;
            continue;
        }
        while (end < format.size() && !format[end].isLetter())
            ++end;
        found.push_back(format.mid(i, end - i + 1).toStdString());
        i = end;
    }
    return found;
}

// The section "/" name of every key line of a language file, read the way
// the INI functions see it.
std::set<std::string> keysOfFile(const std::string& file)
{
    std::set<std::string> keys;
    std::u16string names(4096, u'\0');
    const auto count = ini::GetSectionNames(names.data(), 4096, file);
    for (const std::u16string& section : ini::SplitList(names.data(), count)) {
        std::u16string lines(65536, u'\0');
        const auto n = ini::GetSection(section.c_str(), lines.data(), 65536, file);
        for (const std::u16string& line : ini::SplitList(lines.data(), n))
            keys.insert(QString::fromStdU16String(section + u"/" + line.substr(0, line.find(u'='))).toStdString());
    }
    return keys;
}

class ShippedLanguages : public testing::Test {
protected:
    void SetUp() override { fs::copy(VTR_LANGUAGES_SOURCE, copy_.path(), fs::copy_options::recursive); }
    QString folder() const { return QString::fromStdString(copy_.path().string()); }
    std::string file(const char* key) const { return copy_.file(std::string("Languages") + key + ".ini"); }

    TempFolder copy_;
};

TEST_F(ShippedLanguages, ConfigOffersTheElevenLanguagesInMenuOrder)
{
    CLanguageConfig config(folder());
    EXPECT_EQ(config.GetCurrentLanguage(), "/English");
    const auto& list = config.GetLanguageList();
    ASSERT_EQ(list.size(), std::size(kLanguages));
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].key, kLanguages[i].first);
        EXPECT_EQ(list[i].name, QString::fromStdU16String(kLanguages[i].second));
    }
}

TEST_F(ShippedLanguages, EveryFileHoldsEveryKeyAndNoOther)
{
    std::set<std::string> wanted(std::begin(kKeys), std::end(kKeys));
    for (const auto& [key, name] : kLanguages) {
        EXPECT_EQ(keysOfFile(file(key)), wanted) << key;
        const std::string bytes = readFile(file(key));
        // Only UTF-16 reads the same everywhere; English is plain ASCII.
        if (std::string(key) == "/English") {
            for (unsigned char c : bytes)
                ASSERT_LT(c, 0x80) << "English.ini is not ASCII";
        } else {
            EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << key;
        }
    }
    EXPECT_EQ(readFile(copy_.file("config.ini")).substr(0, 2), "\xFF\xFE");
}

TEST_F(ShippedLanguages, EveryTextReadsWholeAndKeepsTheFormatsOfEnglish)
{
    CLanguageConfig config(folder());
    std::map<std::string, QString> english;
    for (const char* key : kKeys)
        english[key] = config.GetText(key);

    for (const auto& [language, name] : kLanguages) {
        config.SetLanguage(QString::fromLatin1(language));
        ASSERT_EQ(config.GetCurrentLanguage(), language);
        for (const char* key : kKeys) {
            const QString text = config.GetText(key);
            SCOPED_TRACE(std::string(language) + " " + key + ": " + text.toStdString());
            ASSERT_FALSE(text.trimmed().isEmpty());
            // A lookup drops blanks at the ends and one pair of quotes.
            EXPECT_FALSE(ini::IsBlank(text.front().unicode()) || ini::IsBlank(text.back().unicode()));
            EXPECT_FALSE(text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'')
                         && text.back() == text.front());
            EXPECT_EQ(conversions(text), conversions(english[key]));
            const std::string k = key;
            const bool resultNotice = k == "Messages/MSG1013" || k == "Messages/MSG1014" || k == "Messages/MSG1018"
                || k == "Messages/MSG1019" || k == "Messages/MSG1020" || k == "Messages/MSG1024" || k == "Messages/MSG1025"
                || k == "Messages/MSG1026" || k == "Messages/MSG1027" || k == "Messages/MSG1028"
                || k == "Messages/MSG1029" || k == "Messages/MSG1030" || k == "Messages/MSG1031" || k == "Messages/MSG1032"
                || k == "Messages/MSG1033"
                || k == "MainWnd/HotkeyRefused";
            // What to record names a screen or an area by its numbers.
            const bool areaText = k == "MainWnd/ScreenN" || k == "MainWnd/ChosenArea" || k == "MainWnd/ChosenWindow"
                || k == "MainWnd/CountdownSeconds";
            EXPECT_EQ(text.count(QStringLiteral("%1")), resultNotice || areaText ? 1 : 0);
            if (!resultNotice && !areaText && k != "Messages/MSG1008" && k != "Messages/MSG1010") {
                EXPECT_FALSE(text.contains(u'%'));
            }
        }
    }
    EXPECT_EQ(conversions(english["Messages/MSG1008"]), (std::vector<std::string>{"%d", "%s", "%s"}));
    EXPECT_EQ(conversions(english["Messages/MSG1010"]), (std::vector<std::string>{"%d", "%s", "%s"}));
}

TEST_F(ShippedLanguages, TheBuildPutsThemBesideTheProgram)
{
    const fs::path bin = VTR_PROGRAM_FOLDER;
    EXPECT_EQ(readFile((bin / "config.ini").string()), readFile(copy_.file("config.ini")));
    for (const auto& [key, name] : kLanguages) {
        const std::string base = std::string(key).substr(1) + ".ini";
        EXPECT_EQ(readFile((bin / "Languages" / base).string()), readFile(file(key))) << base;
    }
}

} // namespace
