// Runs the shared table of profile-function answers against this build's INI
// back end.
#include "ini_vectors.h"

#include "../support/test_support.h"
#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

using namespace ini_vectors;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr Where kForeign = kRealWindowsFunctions ? Where::Portable : Where::Windows;

const std::string* fixtureBytes(const char* name)
{
    for (const Fixture& f : fixtures()) {
        if (name && std::string(name) == f.name)
            return &f.bytes;
    }
    return nullptr;
}

template <typename Case>
std::vector<Case> forThisBackend(const std::vector<Case>& all)
{
    std::vector<Case> kept;
    for (const Case& c : all) {
        if (c.where != kForeign)
            kept.push_back(c);
    }
    return kept;
}

template <typename Case>
std::string testName(const testing::TestParamInfo<Case>& info)
{
    std::string name = info.param.name;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name;
}

std::string shown(std::u16string_view cells)
{
    std::string out;
    for (char16_t c : cells) {
        if (c == 0)
            out += "\\0";
        else if (c < 0x80)
            out += static_cast<char>(c);
        else
            out += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
    return out;
}

class IniRead : public testing::TestWithParam<ReadCase> { };

TEST_P(IniRead, AnswersAsWindowsDoes)
{
    const ReadCase& c = GetParam();
    TempFolder folder;
    const std::string file = folder.file("profile.ini");
    if (c.fixture) {
        const std::string* bytes = fixtureBytes(c.fixture);
        ASSERT_NE(bytes, nullptr) << c.fixture;
        writeFile(file, *bytes);
    }
    // One guard cell in front of the buffer and some behind it: neither may
    // be written.
    std::u16string cells(c.bufferChars + 1 + 8, u'#');
    char16_t* buffer = cells.data() + 1;
    std::uint32_t result = 0;
    switch (c.call) {
    case Call::String:
        result = ini::GetString(c.section, c.key, c.defaultValue, buffer, c.bufferChars, file);
        break;
    case Call::Section:
        result = ini::GetSection(c.section, buffer, c.bufferChars, file);
        break;
    case Call::SectionNames:
        result = ini::GetSectionNames(buffer, c.bufferChars, file);
        break;
    }
    EXPECT_EQ(result, c.result);
    const std::u16string_view got(buffer, std::min<std::size_t>(c.buffer.size(), cells.size() - 1));
    EXPECT_EQ(shown(got), shown(c.buffer));
    EXPECT_EQ(cells[0], u'#') << "written in front of the buffer";
    for (std::size_t i = c.bufferChars; i < cells.size() - 1; ++i)
        EXPECT_EQ(buffer[i], u'#') << "written behind the buffer at " << i;
}

INSTANTIATE_TEST_SUITE_P(Vectors, IniRead, testing::ValuesIn(forThisBackend(readCases())), testName<ReadCase>);

class IniWrite : public testing::TestWithParam<WriteCase> { };

TEST_P(IniWrite, LeavesTheFileAsWindowsDoes)
{
    const WriteCase& c = GetParam();
    TempFolder folder;
    const std::string file = folder.file("profile.ini");
    if (c.before) {
        const std::string* bytes = fixtureBytes(c.before);
        ASSERT_NE(bytes, nullptr) << c.before;
        writeFile(file, *bytes);
    }
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const WriteStep& step = c.steps[i];
        EXPECT_TRUE(ini::WriteString(step.section, step.key, step.value, file)) << "step " << i;
        EXPECT_EQ(readFile(file), step.after) << "step " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Vectors, IniWrite, testing::ValuesIn(forThisBackend(writeCases())), testName<WriteCase>);

} // namespace
