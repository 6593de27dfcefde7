#pragma once
// UTF-8 <-> UTF-16 for the INI module, whose buffers count UTF-16 units as
// the Windows profile functions do. Qt-free.
#include <string>
#include <string_view>

namespace ini {

// Bytes that are not valid UTF-8 are taken as Windows-1252 characters, so a
// file written by a Windows program in its code page still reads sensibly and
// no byte is dropped.
std::u16string Utf8ToUtf16(std::string_view text);
// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace ini
