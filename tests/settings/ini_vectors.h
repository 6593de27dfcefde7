#pragma once
// How the Windows profile-string functions answer, case by case, as data: the
// same table runs against every back end of the INI module (the portable one
// natively; the real Win32 functions under Wine or Windows).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The back end under test: the Windows test build, which calls the real
// functions, defines VTR_INI_WINDOWS_BACKEND=1.
#ifndef VTR_INI_WINDOWS_BACKEND
#define VTR_INI_WINDOWS_BACKEND 0
#endif

namespace ini_vectors {

inline constexpr bool kRealWindowsFunctions = VTR_INI_WINDOWS_BACKEND != 0;

// Which back ends a case holds for. The portable back end departs from
// Windows on purpose where Windows harms the data: it reads 8-bit files as
// UTF-8, and keeps a file's own line ends and the bytes of lines it does not
// change.
enum class Where { Both, Portable, Windows };

enum class Call { String, Section, SectionNames };

struct ReadCase {
    const char* name;
    const char* fixture; // a name from fixtures(); nullptr for a missing file
    Call call;
    const char16_t* section; // nullptr passes NULL
    const char16_t* key;
    const char16_t* defaultValue;
    std::uint32_t bufferChars;
    std::uint32_t result;
    // The buffer's first cells afterwards; '#' marks a cell left untouched.
    std::u16string_view buffer;
    Where where = Where::Both;
};

struct WriteStep {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
    std::string after; // the whole file afterwards
};

struct WriteCase {
    const char* name;
    const char* before; // a name from fixtures(); nullptr for no file
    std::vector<WriteStep> steps;
    Where where = Where::Both;
};

struct Fixture {
    const char* name;
    std::string bytes;
};

const std::vector<Fixture>& fixtures();
const std::vector<ReadCase>& readCases();
const std::vector<WriteCase>& writeCases();

} // namespace ini_vectors
