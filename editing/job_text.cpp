#include "editing/job_text.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <variant>
#include <vector>

namespace editing {

namespace {

using Argument = std::variant<int, std::string>;

std::string asText(const Argument& arg)
{
    return std::holds_alternative<int>(arg) ? std::to_string(std::get<int>(arg)) : std::get<std::string>(arg);
}

// Code points counted, so that a precision never cuts a letter in half.
std::string firstCodePoints(const std::string& text, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t n = 0; at < text.size() && n < count; ++n) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
    }
    return text.substr(0, at);
}

std::size_t codePoints(const std::string& text)
{
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

} // namespace

std::string ExpandLineBreaks(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FormatProgressLine(const std::string& format, int percent, const std::string& current,
                               const std::string& target)
{
    const std::vector<Argument> args{percent, current, target};
    std::size_t next = 0;
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        std::size_t j = i + 1;
        bool left = false, zero = false;
        for (; j < format.size() && (format[j] == '-' || format[j] == '#' || format[j] == '0'); ++j) {
            left = left || format[j] == '-';
            zero = zero || format[j] == '0';
        }
        std::size_t width = 0;
        for (; j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])); ++j)
            width = std::min<std::size_t>(width * 10 + static_cast<std::size_t>(format[j] - '0'), 1024);
        std::size_t precision = std::string::npos;
        if (j < format.size() && format[j] == '.') {
            precision = 0;
            for (++j; j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])); ++j)
                precision = std::min<std::size_t>(precision * 10 + static_cast<std::size_t>(format[j] - '0'), 1024);
        }
        while (j < format.size() && (format[j] == 'h' || format[j] == 'l' || format[j] == 'L'))
            ++j;
        if (j >= format.size()) {
            out += format.substr(i); // a lone "%" at the end stays as written
            break;
        }
        const char type = format[j];
        std::string piece;
        if (type == '%') {
            piece = "%";
        } else if (type == 'd' || type == 'i' || type == 'u' || type == 's' || type == 'S') {
            piece = next < args.size() ? asText(args[next]) : std::string();
            ++next;
            if ((type == 's' || type == 'S') && precision != std::string::npos)
                piece = firstCodePoints(piece, precision);
        } else {
            out += format.substr(i, j - i + 1); // not a conversion of ours
            i = j;
            continue;
        }
        const std::size_t length = codePoints(piece);
        if (type != '%' && length < width) {
            const std::string pad(width - length, zero && !left && type != 's' && type != 'S' ? '0' : ' ');
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
        i = j;
    }
    return out;
}

std::string ReplacePlaceholder(const std::string& text, const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "%1") == 0) {
            out += value;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace editing
