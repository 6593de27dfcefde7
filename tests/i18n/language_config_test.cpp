#include "i18n/language_config.h"

#include "../support/test_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>

using i18n::CLanguageConfig;

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

std::string utf16le(const QString& text)
{
    std::string out = "\xFF\xFE";
    for (QChar c : text) {
        out.push_back(static_cast<char>(c.unicode() & 0xFF));
        out.push_back(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

// A program folder with config.ini and a Languages folder.
class Installation {
public:
    Installation() { fs::create_directories(folder_.path() / "Languages"); }
    QString path() const { return QString::fromStdString(folder_.path().string()); }
    void config(const QString& text) { writeFile(folder_.file("config.ini"), utf16le(text)); }
    std::string configBytes() const { return readFile(folder_.file("config.ini")); }
    void language(const std::string& name, const QString& text, bool wide = true)
    {
        const std::string file = folder_.file("Languages/" + name + ".ini");
        writeFile(file, wide ? utf16le(text) : text.toStdString());
    }

private:
    TempFolder folder_;
};

const QString kConfig =
    QStringLiteral("[DefaultLanguage]\r\nDefault=/English\r\n[Languages]\r\n"
                   "/English=English\r\n/French=Fran\u00E7ais\r\n/zh-CN=\u7B80\u4F53\u4E2D\u6587\r\n");

void installThree(Installation& install)
{
    install.config(kConfig);
    install.language("English", "[MainWnd]\r\nStart=Start\r\nStop=Stop\r\n[Messages]\r\nMSG1017=Low space\r\n", false);
    install.language("French",
                     "[MainWnd]\r\nStart=D\u00E9marrer\r\nStop=Arr\u00EAter\r\n[Messages]\r\nMSG1017=Peu d'espace\r\n");
    install.language("zh-CN", "[MainWnd]\r\nStart=\u5F00\u59CB\r\n");
}

TEST(LanguageConfig, WithoutConfigTheLanguageIsEnglishAndTheListEmpty)
{
    Installation install;
    install.language("English", "[MainWnd]\r\nStart=Start\r\n", false);
    CLanguageConfig config(install.path());
    EXPECT_EQ(config.GetCurrentLanguage(), "/English");
    EXPECT_TRUE(config.GetLanguageList().empty());
    EXPECT_EQ(config.GetText("MainWnd/Start"), "Start");

    // A config.ini without the DefaultLanguage section chooses English too.
    install.config("[Languages]\r\n/French=Fran\u00E7ais\r\n");
    CLanguageConfig again(install.path());
    EXPECT_EQ(again.GetCurrentLanguage(), "/English");
    EXPECT_EQ(again.GetText("MainWnd/Start"), "Start");
}

TEST(LanguageConfig, ListKeepsFileOrderAndSplitsAtTheFirstEquals)
{
    Installation install;
    install.config("[DefaultLanguage]\r\nDefault=/zh-CN\r\n[Languages]\r\n/English=English\r\n"
                   "/zh-CN=\u7B80\u4F53\u4E2D\u6587\r\n/Odd=a=b\r\n/Bare\r\n; hidden=x\r\n/English=Again\r\n");
    install.language("zh-CN", "[MainWnd]\r\nStart=\u5F00\u59CB\r\n");
    CLanguageConfig config(install.path());
    const auto& list = config.GetLanguageList();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].key, "/English");
    EXPECT_EQ(list[1].name, QStringLiteral("\u7B80\u4F53\u4E2D\u6587"));
    EXPECT_EQ(list[2].key, "/Odd");
    EXPECT_EQ(list[2].name, "a=b");
    EXPECT_EQ(list[3].key, "/Bare");
    EXPECT_EQ(list[3].name, "/Bare");
    EXPECT_EQ(list[4].name, "Again");
    EXPECT_EQ(config.GetCurrentLanguage(), "/zh-CN");
    EXPECT_EQ(config.GetText("MainWnd/Start"), QStringLiteral("\u5F00\u59CB"));
}

TEST(LanguageConfig, LookupsAreExactAndTextsStayAsStored)
{
    Installation install;
    install.language("English",
                     "[MainWnd]\r\nStart=Start\r\nStart=Second\r\nEmpty=\r\nLonely line\r\nQuoted=\"  as is  \"\r\n"
                     "Break=one\\ntwo\r\n[A/B]\r\nC=two slashes\r\n[Whole]\r\n=no name\r\n",
                     false);
    CLanguageConfig config(install.path());

    EXPECT_EQ(config.GetText("MainWnd/Start"), "Start"); // the first of a repeated name
    EXPECT_TRUE(config.GetText("mainwnd/start").isNull());
    EXPECT_TRUE(config.GetText("MainWnd/START").isNull());
    EXPECT_TRUE(config.GetText("MainWnd/Missing").isNull());
    EXPECT_TRUE(config.GetText("Missing/Start").isNull());
    EXPECT_TRUE(config.GetText(nullptr).isNull());

    const QString empty = config.GetText("MainWnd/Empty");
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(config.GetText("MainWnd/Lonely line"), "Lonely line");
    EXPECT_EQ(config.GetText("MainWnd/Quoted"), "\"  as is  \"");
    EXPECT_EQ(config.GetText("MainWnd/Break"), "one\\ntwo");

    // The key splits at its last "/"; without one, the name is empty.
    EXPECT_EQ(config.GetText("A/B/C"), "two slashes");
    EXPECT_EQ(config.GetText("Whole"), "no name");
}

TEST(LanguageConfig, SwitchingAndSwitchingBackRestoresTheTexts)
{
    Installation install;
    installThree(install);
    const std::string before = install.configBytes();
    CLanguageConfig config(install.path());
    ASSERT_EQ(config.GetText("MainWnd/Start"), "Start");

    config.SetLanguage(L"/French");
    EXPECT_EQ(config.GetCurrentLanguage(), "/French");
    EXPECT_EQ(config.GetText("MainWnd/Start"), QStringLiteral("D\u00E9marrer"));
    EXPECT_EQ(config.GetText("Messages/MSG1017"), "Peu d'espace");

    // Only the Default line changed; the file stays UTF-16.
    QString expected = kConfig;
    expected.replace("Default=/English", "Default=/French");
    EXPECT_EQ(install.configBytes(), utf16le(expected));
    EXPECT_EQ(CLanguageConfig(install.path()).GetCurrentLanguage(), "/French");

    // zh-CN lacks some keys: they are null, not left over from French.
    config.SetLanguage(QStringLiteral("/zh-CN"));
    EXPECT_EQ(config.GetText("MainWnd/Start"), QStringLiteral("\u5F00\u59CB"));
    EXPECT_TRUE(config.GetText("MainWnd/Stop").isNull());

    config.SetLanguage(L"/English");
    EXPECT_EQ(install.configBytes(), before);
    EXPECT_EQ(config.GetText("MainWnd/Start"), "Start");
    EXPECT_EQ(config.GetText("MainWnd/Stop"), "Stop");
    ASSERT_EQ(config.GetLanguageList().size(), 3u);
    EXPECT_EQ(config.GetLanguageList()[1].key, "/French");
}

TEST(LanguageConfig, TheChoiceGoesToTheUsersFileAndTheProgramFolderStaysUntouched)
{
    Installation install;
    installThree(install);
    const std::string shipped = install.configBytes();
    TempFolder home;
    const QString user = QString::fromStdString(home.file("config/vantreel-screen-recorder/config.ini"));

    CLanguageConfig config(install.path(), user);
    EXPECT_EQ(config.GetCurrentLanguage(), "/English"); // the installation's until chosen
    EXPECT_TRUE(config.SetLanguage(L"/French"));
    EXPECT_EQ(config.GetText("MainWnd/Start"), QStringLiteral("D\u00E9marrer"));
    EXPECT_EQ(install.configBytes(), shipped);
    EXPECT_EQ(CLanguageConfig(install.path(), user).GetCurrentLanguage(), "/French");
    EXPECT_EQ(CLanguageConfig(install.path(), user).GetLanguageList().size(), 3u);

    // A choice that cannot be stored says so and changes nothing.
    writeFile(home.file("blocked"), "a file where a folder should be");
    CLanguageConfig blocked(install.path(), QString::fromStdString(home.file("blocked/config.ini")));
    EXPECT_FALSE(blocked.SetLanguage(L"/French"));
    EXPECT_EQ(blocked.GetCurrentLanguage(), "/English");
    EXPECT_EQ(blocked.GetText("MainWnd/Start"), "Start");
}

TEST(LanguageConfig, LanguageWithoutAFileEmptiesEveryCaption)
{
    Installation install;
    installThree(install);
    CLanguageConfig config(install.path());
    config.SetLanguage(L"/Klingon");
    EXPECT_EQ(config.GetCurrentLanguage(), "/Klingon");
    EXPECT_TRUE(config.GetText("MainWnd/Start").isNull());
    EXPECT_TRUE(config.GetText("Messages/MSG1017").isNull());
    EXPECT_EQ(config.GetLanguageList().size(), 3u);
}

TEST(LanguageConfig, ProgramFolderWithSpacesQuotesAndNonLatinLetters)
{
    TempFolder outer;
    const fs::path odd = outer.path() / fs::u8path("My \"Apps\" $HOME \xE5\x90\x8D\xE5\x89\x8D");
    fs::create_directories(odd / "Languages");
    writeFile((odd / "Languages" / "English.ini").string(), "[MainWnd]\r\nStart=Start\r\n");
    CLanguageConfig config(QString::fromStdString(odd.string()));
    EXPECT_EQ(config.GetText("MainWnd/Start"), "Start");
    config.SetLanguage(L"/English");
    EXPECT_EQ(readFile((odd / "config.ini").string()), "[DefaultLanguage]\r\nDefault=/English\r\n");
}

TEST(LanguageConfig, KeysAndLinesBeyondTheBuffersAreCut)
{
    Installation install;
    const QString name61(61, u'n');
    const QString name62(62, u'n');
    const QString longLanguage = "/" + QString(70, u'L');
    install.config("[DefaultLanguage]\r\nDefault=" + longLanguage + "\r\n[Languages]\r\n/Long=" + QString(130, u'x')
                   + "\r\n");
    QString text =
        "[S]\r\n" + name61 + "=sixty-one\r\n" + name62 + "=sixty-two\r\nLine=" + QString(1100, u't') + "\r\n[Big]\r\n";
    for (int i = 0; i < 1000; ++i)
        text += QStringLiteral("k%1=value\r\n").arg(i, 4, 10, QChar(u'0'));
    for (int i = 0; i < 22; ++i)
        text += "[" + QString(50, QChar(u'a' + i)) + "]\r\nk=" + QString::number(i) + "\r\n";
    install.language(std::string(62, 'L'), text);

    CLanguageConfig config(install.path());
    // The chosen language is read into 64 units.
    EXPECT_EQ(config.GetCurrentLanguage(), longLanguage.left(63));
    // A Languages line is cut to 127 units.
    ASSERT_EQ(config.GetLanguageList().size(), 1u);
    EXPECT_EQ(config.GetLanguageList()[0].name, QString(127 - 6, u'x'));
    // Keys: 63 characters pass whole, a longer key is cut to 63.
    EXPECT_EQ(config.GetText(("S/" + name61).toLatin1().constData()), "sixty-one");
    EXPECT_EQ(config.GetText(("S/" + name62).toLatin1().constData()), "sixty-one");
    // A language-file line is cut to 1023 units.
    EXPECT_EQ(config.GetText("S/Line"), QString(1023 - 5, u't'));
    // A section is read into 10240 units, 12 per line here: 853 lines fit.
    EXPECT_EQ(config.GetText("Big/k0000"), "value");
    EXPECT_EQ(config.GetText("Big/k0852"), "value");
    EXPECT_TRUE(config.GetText("Big/k0853").isNull());
    // Section names are read into 1024 units: after S and Big, nineteen of
    // the 50-letter names fit; the twentieth is cut and names no section.
    const auto sectionKey = [](char letter) { return std::string(50, letter) + "/k"; };
    EXPECT_EQ(config.GetText(sectionKey('a').c_str()), "0");
    EXPECT_EQ(config.GetText(sectionKey('s').c_str()), "18");
    EXPECT_TRUE(config.GetText(sectionKey('t').c_str()).isNull());
    EXPECT_TRUE(config.GetText(sectionKey('u').c_str()).isNull());
}

TEST(LanguageConfig, InstanceIsMadeOnceFromTheProgramFolder)
{
    int argc = 1;
    char name[] = "i18n_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    CLanguageConfig* first = CLanguageConfig::Instance();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CLanguageConfig::Instance(), first);

    Installation install;
    installThree(install);
    CLanguageConfig::ResetInstance(install.path());
    EXPECT_EQ(CLanguageConfig::Instance()->GetText("MainWnd/Start"), "Start");
    EXPECT_EQ(CLanguageConfig::Instance()->GetLanguageList().size(), 3u);
}

} // namespace
