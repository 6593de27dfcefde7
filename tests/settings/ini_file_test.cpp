// What the INI module must do beyond the Windows answers: keep data safe when
// a write fails, round-trip any text, and never leave debris. Runs against
// every back end.
#include "settings/ini_file.h"
#include "settings/ini_value.h"
#include "settings/utf16.h"

#include "../support/test_support.h"
#include "ini_vectors.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

std::u16string lookup(const std::string& file, const char16_t* section, const char16_t* key, std::uint32_t chars = 1024)
{
    std::u16string buffer(chars, u'\0');
    const std::uint32_t n = ini::GetString(section, key, u"<none>", buffer.data(), chars, file);
    return buffer.substr(0, n);
}

std::vector<std::string> folderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// Texts a user can produce: blanks at the ends, quotes, shell characters,
// other scripts, a character outside the Basic Multilingual Plane.
const std::u16string kAwkwardTexts[] = {
    u"plain",
    u"  blanks at both ends  ",
    u"\"quoted\"",
    u"'single'",
    u"it's \"mixed\"",
    u"$HOME `x` ; & | > %PATH%",
    u"C:\\Users\\\u00C4rger\\\u540D\u524D",
    u"\u0420\u0443\u0441\u0441\u043A\u0438\u0439 \u65E5\u672C\u8A9E",
    u"emoji \U0001F3A5 here",
    u"a=b=c",
    u"",
};

class IniRoundTrip : public testing::TestWithParam<std::string> { };

TEST_P(IniRoundTrip, EveryTextReadsBackAsWrittenAndTheFileKeepsItsEncoding)
{
    TempFolder folder;
    const std::string file = folder.file("round.ini");
    const std::string start = GetParam();
    writeFile(file, start);
    for (const std::u16string& text : kAwkwardTexts) {
        const std::u16string stored = ini::ExactValue(text);
        ASSERT_TRUE(ini::WriteString(u"Texts", u"value", stored.c_str(), file));
        EXPECT_EQ(ini::Utf16ToUtf8(lookup(file, u"Texts", u"value")), ini::Utf16ToUtf8(text));
    }
    // The byte-order mark (or its absence) survives every write.
    EXPECT_EQ(readFile(file).substr(0, start.size() >= 2 ? 2 : 0), start.substr(0, start.size() >= 2 ? 2 : 0));
    EXPECT_EQ(lookup(file, u"Keep", u"k"), u"kept");
}

// The Windows functions keep other scripts only in a UTF-16 file: an 8-bit
// file holds the system code page, where they turn into "?".
std::vector<std::string> roundTripStarts()
{
    std::vector<std::string> starts = {std::string("\xFF\xFE[\0K\0e\0e\0p\0]\0\r\0\n\0k\0=\0k\0e\0p\0t\0\r\0\n\0", 32)};
    if (!ini_vectors::kRealWindowsFunctions)
        starts.push_back("[Keep]\r\nk=kept\r\n");
    return starts;
}

INSTANTIATE_TEST_SUITE_P(Encodings, IniRoundTrip, testing::ValuesIn(roundTripStarts()));

TEST(IniFile, FailedWritesLeaveTheOldFileWhole)
{
    TempFolder folder;
    const std::string file = folder.file("keep.ini");
    const std::string old = "; mine\r\n[S]\r\na=1\r\n";
    writeFile(file, old);

    EXPECT_FALSE(ini::WriteString(nullptr, nullptr, nullptr, file));
    EXPECT_FALSE(ini::WriteString(u"S", u"a", u"two\r\nlines", file));
    EXPECT_FALSE(ini::WriteString(u"S", u"a\nb", u"x", file));
    EXPECT_FALSE(ini::WriteString(u"S\n[T]", u"a", u"x", file));
    EXPECT_FALSE(ini::WriteString(u"S", u"k=v", u"x", file));
    EXPECT_FALSE(ini::WriteString(u"S", u"[T]", u"x", file));
    EXPECT_EQ(readFile(file), old);

    // A folder where the file should be is never replaced.
    const std::string taken = folder.file("taken.ini");
    fs::create_directory(taken);
    EXPECT_FALSE(ini::WriteString(u"S", u"a", u"1", taken));
    EXPECT_TRUE(fs::is_directory(taken));
    EXPECT_EQ(folderNames(folder.path()).size(), 2u) << "a temporary was left behind";
}

TEST(IniFile, MissingFolderGivesDefaultsAndAWriteFails)
{
    TempFolder folder;
    const std::string file = folder.file("no such folder/x.ini");
    EXPECT_EQ(lookup(file, u"S", u"a"), u"<none>");
    EXPECT_FALSE(ini::WriteString(u"S", u"a", u"1", file));
}

TEST(IniFile, NameWithSpacesQuotesAndNonLatinLetters)
{
    TempFolder folder;
    // Windows allows no double quote in a file name.
    const std::string file = folder.file(ini_vectors::kRealWindowsFunctions ? "my 'odd' $folder \u540D\u524D.ini"
                                                                            : "my \"odd\" $folder \u540D\u524D.ini");
    ASSERT_TRUE(ini::WriteString(u"S", u"k", u"v", file));
    EXPECT_EQ(lookup(file, u"S", u"k"), u"v");
}

TEST(IniText, ConversionsKeepEveryByteAndCodePoint)
{
    // Bytes that are not UTF-8 read as Windows-1252, the code page the
    // Windows functions would use.
    EXPECT_EQ(ini::Utf8ToUtf16("\xC4\xE9\x80"), u"\u00C4\u00E9\u20AC");
    EXPECT_EQ(ini::Utf8ToUtf16("\xE5\x90"), u"\u00E5\u0090");
    EXPECT_EQ(ini::Utf8ToUtf16("\xF0\x9F\x8E\xA5"), u"\U0001F3A5");
    EXPECT_EQ(ini::Utf16ToUtf8(u"\U0001F3A5\u540D"), "\xF0\x9F\x8E\xA5\xE5\x90\x8D");
    EXPECT_EQ(ini::Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

} // namespace
