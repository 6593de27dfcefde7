// The INI reader on any file, UTF-8 or UTF-16 with either byte order (the
// seed corpus holds all three): every read stays inside its buffer, and a
// key written into the file reads back.
#include "settings/ini_file.h"
#include "settings/ini_value.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::u16string> list(const char16_t* buffer, std::uint32_t length)
{
    std::vector<std::u16string> names;
    for (std::uint32_t at = 0; at < length;) {
        std::u16string name(buffer + at);
        at += static_cast<std::uint32_t>(name.size()) + 1;
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const std::string path = "/tmp/vtr-fuzz-ini-" + std::to_string(::getpid()) + ".ini";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    // A small buffer tests the cutting; a guard cell past it must stay untouched.
    const std::uint32_t small = size > 0 ? data[0] % 16 : 0;
    std::vector<char16_t> buffer(4096 + 1, u'#');
    const std::uint32_t sizes[] = {small, 4096};
    for (std::uint32_t chars : sizes) {
        buffer.assign(4096 + 1, u'#');
        const std::uint32_t n = ini::GetSectionNames(buffer.data(), chars, path);
        if (buffer[chars] != u'#' || (chars > 0 && n >= chars))
            std::abort();
        if (chars < 4096)
            continue;
        // Each read parses the whole file again: a few names are enough.
        std::vector<std::u16string> sections = list(buffer.data(), n);
        sections.resize(std::min<std::size_t>(sections.size(), 4));
        for (const std::u16string& section : sections) {
            std::vector<char16_t> keys(4096 + 1, u'#');
            const std::uint32_t k = ini::GetString(section.c_str(), nullptr, u"", keys.data(), 4096, path);
            std::vector<std::u16string> names = list(keys.data(), k);
            names.resize(std::min<std::size_t>(names.size(), 8));
            for (const std::u16string& key : names) {
                std::vector<char16_t> value(small + 1, u'#');
                ini::GetString(section.c_str(), key.c_str(), u"default", value.data(), small, path);
                if (value[small] != u'#')
                    std::abort();
            }
            std::vector<char16_t> lines(small + 1, u'#');
            ini::GetSection(section.c_str(), lines.data(), small, path);
            if (lines[small] != u'#')
                std::abort();
        }
    }

    if (ini::WriteString(u"Fuzz", u"Key", u"value", path)) {
        char16_t back[16] = {};
        ini::GetString(u"Fuzz", u"Key", u"", back, 16, path);
        if (std::u16string(back) != u"value")
            std::abort();
    }
    return 0;
}
