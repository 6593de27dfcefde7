// The INI functions for systems without the Windows profile functions. Reads
// the file afresh on every call (no cache), so a file changed behind our back
// is seen at once, as the Windows functions see it.
// One file: the reading, the matching of sections and keys and the writing
// share one model of the file's lines and must answer each case exactly as
// the Windows functions do; split, the cases would be read in three places.
#include "settings/ini_file_backends.h"

#include "platform/files.h"
#include "settings/ini_value.h"
#include "settings/utf16.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

namespace ini {

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::u16string_view trimmed(std::u16string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Simple one-to-one case folding over the scripts names are written in.
char16_t folded(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16_t>(c + 80);
    if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x460 && c <= 0x4BF)) && c % 2 == 0)
        return static_cast<char16_t>(c + 1);
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1)
        return static_cast<char16_t>(c + 1);
    if (c == 0x178)
        return 0xFF;
    return c;
}

bool sameName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (folded(a[i]) != folded(b[i]))
            return false;
    }
    return true;
}

std::u16string_view viewOf(const char16_t* s) { return s ? std::u16string_view(s) : std::u16string_view(); }

enum class Encoding { Utf16Le, Utf16Be, Utf8WithMark, Utf8 };

// One line of the file: where its bytes lie, and its text.
struct Line {
    std::size_t begin = 0; // first byte of the line
    std::size_t end = 0;   // end of its content, before any "\r" and "\n"
    std::size_t next = 0;  // first byte of the following line
    std::u16string text;
};

struct Entry {
    std::u16string name;
    std::optional<std::u16string> value; // none for a line without "="
    std::size_t line = 0;
};

struct Section {
    std::u16string name;
    std::size_t header = kNone; // the leading section, before any header, has none
    std::size_t last = kNone;   // last line that is not blank, header included
    std::vector<Entry> entries;
};

struct Document {
    bool exists = false;
    bool unreadable = false; // there, but its bytes could not be read
    std::string bytes;
    Encoding encoding = Encoding::Utf8;
    std::size_t start = 0; // after the byte-order mark
    std::string newline = "\r\n";
    std::vector<Line> lines;
    std::vector<Section> sections; // sections[0] is the leading one, named ""
};

bool isUtf16(Encoding encoding) { return encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be; }

// Lines end at "\r\n", "\n" or a lone "\r", as the Windows functions split
// them. Breaks are found unit by unit, which is safe in UTF-8 too: no byte of
// a multi-byte character is a "\r" or "\n".
void splitLines(Document& doc)
{
    const std::string& b = doc.bytes;
    const bool wide = isUtf16(doc.encoding);
    const std::size_t width = wide ? 2 : 1;
    // A stray last byte of a UTF-16 file is no unit; it stays where it is.
    const std::size_t units = (b.size() - doc.start) / width;
    auto byte = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(b[at])); };
    auto unit = [&](std::size_t i) {
        const std::size_t at = doc.start + width * i;
        if (!wide)
            return static_cast<char16_t>(byte(at));
        if (doc.encoding == Encoding::Utf16Le)
            return static_cast<char16_t>(byte(at) | byte(at + 1) << 8);
        return static_cast<char16_t>(byte(at) << 8 | byte(at + 1));
    };
    auto offset = [&](std::size_t i) { return doc.start + width * i; };
    bool newlineKnown = false;
    std::size_t i = 0;
    while (i < units) {
        std::size_t end = i;
        while (end < units && unit(end) != u'\r' && unit(end) != u'\n')
            ++end;
        std::size_t next = end;
        if (next < units)
            next += unit(next) == u'\r' && next + 1 < units && unit(next + 1) == u'\n' ? 2 : 1;
        Line line;
        line.begin = offset(i);
        line.end = offset(end);
        line.next = offset(next);
        if (wide) {
            for (std::size_t k = i; k < end; ++k)
                line.text.push_back(unit(k));
        } else {
            line.text = Utf8ToUtf16(std::string_view(b).substr(line.begin, line.end - line.begin));
        }
        if (!newlineKnown && next > end) {
            // New lines take the file's own line end.
            doc.newline = next - end == 2 ? "\r\n" : unit(end) == u'\r' ? "\r" : "\n";
            newlineKnown = true;
        }
        doc.lines.push_back(std::move(line));
        i = next;
    }
}

// A name or value as the Windows functions keep it: blanks dropped, and
// ended by a NUL the file may hold.
std::u16string stored(std::u16string_view text)
{
    text = trimmed(text);
    return std::u16string(text.substr(0, text.find(u'\0')));
}

void parse(Document& doc)
{
    doc.sections.assign(1, Section{});
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const std::u16string_view text = trimmed(doc.lines[i].text);
        if (text.empty())
            continue;
        if (text.front() == u'[') {
            const std::size_t close = text.rfind(u']');
            if (close != std::u16string_view::npos) {
                Section section;
                section.name = stored(text.substr(1, close - 1));
                section.header = i;
                section.last = i;
                doc.sections.push_back(std::move(section));
                continue;
            }
            // Without "]" the line is no header: it stays a line of the section.
        }
        Entry entry;
        entry.line = i;
        const std::size_t eq = text.find(u'=');
        if (eq == std::u16string_view::npos) {
            entry.name = stored(text);
        } else {
            entry.name = stored(text.substr(0, eq));
            entry.value = stored(text.substr(eq + 1));
        }
        doc.sections.back().entries.push_back(std::move(entry));
        doc.sections.back().last = i;
    }
}

Document load(const std::string& file)
{
    Document doc;
    std::error_code ec;
    const fs::path path = fs::u8path(file);
    if (file.empty() || fs::is_directory(path, ec)) {
        parse(doc);
        return doc;
    }
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::ostringstream content;
        content << in.rdbuf();
        doc.bytes = content.str();
        doc.exists = true;
        doc.unreadable = in.bad();
    } else {
        doc.unreadable = fs::exists(path, ec);
    }
    const std::string& b = doc.bytes;
    if (b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xFE) {
        doc.encoding = Encoding::Utf16Le;
        doc.start = 2;
    } else if (b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFE && static_cast<unsigned char>(b[1]) == 0xFF) {
        doc.encoding = Encoding::Utf16Be;
        doc.start = 2;
    } else if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        doc.encoding = Encoding::Utf8WithMark;
        doc.start = 3;
    }
    splitLines(doc);
    parse(doc);
    return doc;
}

const Section* findSection(const Document& doc, std::u16string_view name)
{
    name = trimmed(name);
    for (const Section& section : doc.sections) {
        if (sameName(section.name, name))
            return &section;
    }
    return nullptr;
}

// Only the first section of a name is searched, so a key that lies in a later
// section of the same name is not found.
const Entry* findEntry(const Section* section, std::u16string_view key)
{
    if (!section)
        return nullptr;
    key = trimmed(key);
    for (const Entry& entry : section->entries) {
        if (sameName(entry.name, key))
            return &entry;
    }
    return nullptr;
}

bool isComment(const Entry& entry) { return !entry.name.empty() && entry.name.front() == u';'; }

// lstrcpynW: at most n - 1 units and a NUL; returns the units copied.
std::size_t copyCut(char16_t* to, std::u16string_view from, std::size_t n)
{
    const std::size_t count = std::min(from.size(), n - 1);
    from.copy(to, count);
    to[count] = 0;
    return count;
}

// A value or default as a lookup returns it: one pair of matching quotes
// around it is dropped. The closing quote is dropped as the last unit copied
// once the buffer holds at least the value without its opening quote, so a
// buffer one unit short of the closing quote loses the last letter instead,
// as on Windows.
std::uint32_t copyValue(char16_t* buffer, std::u16string_view value, std::uint32_t n)
{
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    std::size_t count = copyCut(buffer, value, n);
    if (quoted && n >= value.size() && count > 0)
        buffer[--count] = 0;
    return static_cast<std::uint32_t>(count);
}

// The lines (or with `values` false, the key names) of a section as a list.
std::uint32_t sectionList(const Document& doc, std::u16string_view name, char16_t* buffer, std::uint32_t n, bool values)
{
    const Section* section = findSection(doc, name);
    if (!section || n < 2) {
        // The Windows functions write in front of a buffer of one unit here;
        // we only end it.
        buffer[0] = 0;
        if (n >= 2)
            buffer[1] = 0;
        return 0;
    }
    std::size_t left = n;
    std::size_t at = 0;
    for (const Entry& entry : section->entries) {
        if (left <= 2)
            break;
        if (isComment(entry) || (!values && !entry.value))
            continue;
        std::size_t count = copyCut(buffer + at, entry.name, left - 1);
        left -= count + 1;
        at += count + 1;
        if (left < 2)
            break;
        if (values && entry.value) {
            buffer[at - 1] = u'=';
            count = copyCut(buffer + at, *entry.value, left - 1);
            left -= count + 1;
            at += count + 1;
        }
    }
    buffer[at] = 0;
    if (left <= 1) {
        buffer[at - 1] = 0;
        return n - 2;
    }
    return static_cast<std::uint32_t>(n - left);
}

std::uint32_t sectionNames(const Document& doc, char16_t* buffer, std::uint32_t n)
{
    if (n == 1) {
        buffer[0] = 0;
        return 0;
    }
    std::size_t room = n - 1;
    std::size_t at = 0;
    for (const Section& section : doc.sections) {
        if (section.name.empty())
            continue;
        const std::size_t need = section.name.size() + 1;
        if (need >= room) {
            // Cut the last name; two NULs end the buffer.
            section.name.copy(buffer + at, room - 1);
            at += room - 1;
            buffer[at++] = 0;
            buffer[at] = 0;
            return n - 2;
        }
        section.name.copy(buffer + at, need - 1);
        buffer[at + need - 1] = 0;
        at += need;
        room -= need;
    }
    buffer[at] = 0;
    return static_cast<std::uint32_t>(at);
}

std::string encoded(const Document& doc, std::u16string_view text)
{
    if (!isUtf16(doc.encoding))
        return Utf16ToUtf8(text);
    const bool little = doc.encoding == Encoding::Utf16Le;
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out.push_back(static_cast<char>(little ? c & 0xFF : c >> 8));
        out.push_back(static_cast<char>(little ? c >> 8 : c & 0xFF));
    }
    return out;
}

std::string newlineBytes(const Document& doc) { return encoded(doc, Utf8ToUtf16(doc.newline)); }

} // namespace

namespace portable {

std::uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* defaultValue, char16_t* buffer,
                        std::uint32_t bufferChars, const std::string& file)
{
    if (!buffer || bufferChars == 0)
        return 0;
    std::u16string_view fallback = viewOf(defaultValue);
    while (fallback.size() > 1 && fallback.back() == u' ')
        fallback.remove_suffix(1);

    const Document doc = load(file);
    if (!section) {
        if (!doc.exists) {
            buffer[0] = 0;
            return 0;
        }
        return sectionNames(doc, buffer, bufferChars);
    }
    if (key) {
        const Entry* entry = findEntry(findSection(doc, section), key);
        return copyValue(buffer, entry && entry->value ? std::u16string_view(*entry->value) : fallback, bufferChars);
    }
    const std::uint32_t count = sectionList(doc, section, buffer, bufferChars, false);
    if (buffer[0] == 0)
        return copyValue(buffer, fallback, bufferChars);
    return count;
}

std::uint32_t GetSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    if (!section || !buffer || bufferChars == 0)
        return 0;
    return sectionList(load(file), section, buffer, bufferChars, true);
}

std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    if (!buffer || bufferChars == 0)
        return 0;
    const Document doc = load(file);
    if (!doc.exists) {
        buffer[0] = 0;
        return 0;
    }
    return sectionNames(doc, buffer, bufferChars);
}

bool WriteString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file)
{
    if (!IsWritableEntry(section, key, value))
        return false;
    const std::u16string_view sectionName = trimmed(section);
    const std::u16string_view keyName = trimmed(viewOf(key));
    const std::u16string_view text = trimmed(viewOf(value));

    const Document doc = load(file);
    // Writing what was read would replace the unread lines with nothing.
    if (doc.unreadable)
        return false;
    const Section* found = findSection(doc, sectionName);
    std::string bytes = doc.bytes;
    const std::string newline = newlineBytes(doc);

    auto removeLines = [&](std::size_t first, std::size_t last) {
        const std::size_t begin = doc.lines[first].begin;
        bytes.erase(begin, doc.lines[last].next - begin);
    };
    auto insertAfter = [&](std::size_t lineIndex, const std::string& content) {
        if (lineIndex == kNone) {
            bytes.insert(doc.start, content + newline);
            return;
        }
        const Line& line = doc.lines[lineIndex];
        if (line.next == line.end) // the file's last line, without a line break
            bytes.insert(line.next, newline + content + newline);
        else
            bytes.insert(line.next, content + newline);
    };

    if (!key) {
        if (!found)
            return true;
        const std::size_t first = found->header != kNone ? found->header : 0;
        std::size_t last = doc.lines.size() - 1;
        const std::size_t index = static_cast<std::size_t>(found - doc.sections.data());
        if (index + 1 < doc.sections.size())
            last = doc.sections[index + 1].header - 1;
        if (doc.lines.empty() || last < first || last == kNone)
            return true;
        removeLines(first, last);
    } else if (!value) {
        const Entry* entry = findEntry(found, keyName);
        if (!entry)
            return true;
        removeLines(entry->line, entry->line);
    } else if (const Entry* entry = findEntry(found, keyName)) {
        if (entry->value && *entry->value == text)
            return true; // nothing to change: leave the file alone
        const Line& line = doc.lines[entry->line];
        std::u16string replacement = entry->name;
        replacement += u'=';
        replacement += text;
        bytes.replace(line.begin, line.end - line.begin, encoded(doc, replacement));
    } else {
        std::u16string entryLine(keyName);
        entryLine += u'=';
        entryLine += text;
        if (found) {
            insertAfter(found->last, encoded(doc, entryLine));
        } else {
            std::u16string header = u"[";
            header += sectionName;
            header += u']';
            const std::string content = encoded(doc, header) + newline + encoded(doc, entryLine);
            if (doc.lines.empty())
                bytes.append(content + newline);
            else
                insertAfter(doc.lines.size() - 1, content);
        }
    }
    return platform::replaceFileContent(file, bytes);
}

} // namespace portable

} // namespace ini
