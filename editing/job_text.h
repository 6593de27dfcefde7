#pragma once
// The progress dialog's texts, built from the language files' formats.
// Pure and Qt-free; UTF-8.
#include <functional>
#include <string>

namespace editing {

// Looks a language key up; the window passes its GuiText.
using LanguageText = std::function<std::string(const char* key)>;

// "\n" written as two characters in a language file becomes a line break.
std::string ExpandLineBreaks(const std::string& text);

// Fills a printf-style progress format, as the Windows wsprintf reads it,
// with the percentage and the two file names in this order. %d and %i take
// the number, %s the names (with flags, width and precision), %% is a
// percent sign. A translation that asks for the arguments in another kind
// or asks for more gets them as text or empty: never undefined behaviour.
std::string FormatProgressLine(const std::string& format, int percent, const std::string& current,
                               const std::string& target);

// `text` with every "%1" replaced by `value`.
std::string ReplacePlaceholder(const std::string& text, const std::string& value);

} // namespace editing
