#include "ini_vectors.h"

namespace ini_vectors {

using namespace std::literals;

namespace {

std::string utf16le(std::u16string_view text)
{
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string utf16be(std::u16string_view text)
{
    std::string out = "\xFE\xFF";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

} // namespace

const std::vector<Fixture>& fixtures()
{
    static const std::vector<Fixture> all = {
        {"main",
         "; leading comment\r\n"
         "top=before any section\r\n"
         "[Sec]\r\n"
         "Key=Value\r\n"
         "  spaced  =   padded value   \r\n"
         "quoted=\"  quoted value  \"\r\n"
         "squoted='single'\r\n"
         "mismatch=\"abc\r\n"
         "mixed=\"abc'\r\n"
         "inner=a \"b\" c\r\n"
         "empty=\r\n"
         "noequals line\r\n"
         "dup=first\r\n"
         "DUP=second\r\n"
         ";commented=yes\r\n"
         "  ; indented comment=yes\r\n"
         "#hash=yes\r\n"
         "/English=English\r\n"
         "inline=value ; not a comment\r\n"
         "tab\t=\ttabbed\t\r\n"
         "=emptykey\r\n"
         "two=a=b\r\n"
         "\r\n"
         "[sec]\r\n"
         "merged=from second [sec]\r\n"
         "[ Spaced Section ]\r\n"
         "k=v\r\n"
         "[Empty]\r\n"
         "[NoClose\r\n"
         "x=y\r\n"
         "[Trail] junk after\r\n"
         "t=1\r\n"
         "[]\r\n"
         "blank=section name\r\n"
         "[Sec2]\r\n"
         "long=0123456789ABCDEFGHIJ\r\n"
         "a=1\r\n"
         "bb=22\r\n"
         "[Nums]\r\n"
         "n1=42\r\n"
         "n2=  -7  \r\n"
         "n3=12abc\r\n"
         "n4=0x10\r\n"
         "n5=abc\r\n"
         "n6=4294967295\r\n"},
        {"edges",
         "[]\r\n"
         "blank=in a nameless section\r\n"
         "   [Indented]\r\n"
         "k=   \r\n"
         "q=\"  x  \"\r\n"
         "qq=\"\"\r\n"
         "q1=\"\r\n"
         "sq=''\r\n"
         "[Dup]\r\n"
         "v=1\r\n"
         "[DUP]\r\n"
         "v=2\r\n"
         "[M]\r\n"
         "  noeq padded  \r\n"
         "key = =v\r\n"
         "key with space = v v\r\n"},
        {"lf", "[A]\nk=v\nk2=v2\n[B]\nb=1\n"},
        {"utf16", utf16le(u"[Uni]\r\nname=\u00C4\u540D\r\n\u540D=kanji key\r\n/English=English\r\n")},
        {"utf16-nobom", utf16le(u"[Uni]\r\nname=\u00C4\u540D\r\n").substr(2)},
        {"utf8-bom", "\xEF\xBB\xBF[Uni]\r\nname=\xC3\x84\xE5\x90\x8D\r\n"},
        {"utf8", "[Uni]\r\nname=\xC3\x84\xE5\x90\x8D\r\n"},
        {"cp1252", "[Uni]\r\nname=\xC4\xE9\r\n"},
        {"comments", "; header comment\r\n[S]\r\n; c1\r\na=1\r\nnoeq\r\n[T]\r\nb=2\r\n"},
        {"utf16-small", utf16le(u"[S]\r\na=1\r\nb=2\r\n")},
        {"dup-sections", "[Dup]\r\nv=1\r\n[DUP]\r\nv=2\r\n"},
        {"one-section", "[A]\r\nx=1\r\n"},
        {"lf-small", "[S]\na=1\nb=1\n"},
        {"line-ends", "[S]\rk=1\r\nj=a\rb\nm=3\r\r\n[T]\nt=1"},
        {"cr-small", "[S]\ra=1\rb=1\r"},
        {"odd-blanks", utf16le(u"[S]\r\nnb=\u00A0v\u00A0\r\nid=\u3000v\u3000\r\n\u2003em\u2003=1\r\nvt=\v\fv\x1A\r\n")},
        {"nul", std::string("[S\0x]\r\nk\0x=a\0b\r\nj=2\r\n", 20)},
        {"utf16be", utf16be(u"[Uni]\r\nname=\u00C4\u540D\r\n")},
        {"utf16-case", utf16le(u"[\u00C4pfel]\r\n\u00D6l=1\r\n")},
        {"untidy", "; kept as it is\r\n[S]\r\n  a  =  1  \r\n\tb=2\r\n\r\n[T]\r\nc = 3"},
    };
    return all;
}

const std::vector<ReadCase>& readCases()
{
    constexpr Call S = Call::String;
    constexpr Call P = Call::Section;
    constexpr Call N = Call::SectionNames;
    static const std::vector<ReadCase> all = {
        // Lookups.
        {"exact", "main", S, u"Sec", u"Key", u"D", 256, 5, u"Value\0#"sv},
        {"case-upper", "main", S, u"SEC", u"KEY", u"D", 256, 5, u"Value\0#"sv},
        {"case-lower", "main", S, u"sec", u"key", u"D", 256, 5, u"Value\0#"sv},
        {"blanks", "main", S, u"Sec", u"spaced", u"D", 256, 12, u"padded value\0#"sv},
        {"blanks-key-padded", "main", S, u"Sec", u"  spaced  ", u"D", 256, 12, u"padded value\0#"sv},
        {"dquotes", "main", S, u"Sec", u"quoted", u"D", 256, 16, u"  quoted value  \0\0"sv},
        {"squotes", "main", S, u"Sec", u"squoted", u"D", 256, 6, u"single\0\0"sv},
        {"unbalanced-quote", "main", S, u"Sec", u"mismatch", u"D", 256, 4, u"\"abc\0#"sv},
        {"mixed-quotes", "main", S, u"Sec", u"mixed", u"D", 256, 5, u"\"abc'\0#"sv},
        {"inner-quotes", "main", S, u"Sec", u"inner", u"D", 256, 7, u"a \"b\" c\0#"sv},
        {"empty-value", "main", S, u"Sec", u"empty", u"D", 256, 0, u"\0#"sv},
        {"no-equals-full", "main", S, u"Sec", u"noequals line", u"D", 256, 1, u"D\0#"sv},
        {"no-equals-word", "main", S, u"Sec", u"noequals", u"D", 256, 1, u"D\0#"sv},
        {"duplicate", "main", S, u"Sec", u"dup", u"D", 256, 5, u"first\0#"sv},
        {"comment-as-key", "main", S, u"Sec", u";commented", u"D", 256, 3, u"yes\0#"sv},
        {"comment-indented", "main", S, u"Sec", u"; indented comment", u"D", 256, 3, u"yes\0#"sv},
        {"hash-key", "main", S, u"Sec", u"#hash", u"D", 256, 3, u"yes\0#"sv},
        {"slash-key", "main", S, u"Sec", u"/English", u"D", 256, 7, u"English\0#"sv},
        {"inline-semicolon", "main", S, u"Sec", u"inline", u"D", 256, 21, u"value ; not a comment\0#"sv},
        {"tabs", "main", S, u"Sec", u"tab", u"D", 256, 6, u"tabbed\0#"sv},
        {"empty-key-name", "main", S, u"Sec", u"", u"D", 256, 8, u"emptykey\0#"sv},
        {"value-with-equals", "main", S, u"Sec", u"two", u"D", 256, 3, u"a=b\0#"sv},
        {"dup-section-merge", "main", S, u"Sec", u"merged", u"D", 256, 1, u"D\0#"sv},
        {"dup-section-merge2", "main", S, u"sec", u"Key", u"D", 256, 5, u"Value\0#"sv},
        {"spaced-section", "main", S, u"Spaced Section", u"k", u"D", 256, 1, u"v\0#"sv},
        {"spaced-section-raw", "main", S, u" Spaced Section ", u"k", u"D", 256, 1, u"v\0#"sv},
        {"unclosed-section", "main", S, u"NoClose", u"x", u"D", 256, 1, u"D\0#"sv},
        {"unclosed-section2", "main", S, u"[NoClose", u"x", u"D", 256, 1, u"D\0#"sv},
        {"junk-after-bracket", "main", S, u"Trail", u"t", u"D", 256, 1, u"1\0#"sv},
        {"empty-section-name", "main", S, u"", u"blank", u"D", 256, 1, u"D\0#"sv},
        {"before-any-section", "main", S, u"", u"top", u"D", 256, 18, u"before any section\0#"sv},
        {"missing-key", "main", S, u"Sec", u"nokey", u"  def with blanks  ", 256, 17, u"  def with blanks\0#"sv},
        {"missing-key-quoted", "main", S, u"Sec", u"nokey", u"\"qdef\"", 256, 4, u"qdef\0\0"sv},
        {"missing-key-nulldef", "main", S, u"Sec", u"nokey", nullptr, 256, 0, u"\0#"sv},
        {"missing-section", "main", S, u"NoSuch", u"Key", u"D", 256, 1, u"D\0#"sv},
        {"missing-file", nullptr, S, u"Sec", u"Key", u"D", 256, 1, u"D\0#"sv},
        {"missing-file-keys", nullptr, S, u"Sec", nullptr, u"D", 256, 1, u"D\0#"sv},
        // Lists.
        {"key-list", "main", S, u"Sec", nullptr, u"D", 1024, 92,
         u"Key\0spaced\0quoted\0squoted\0mismatch\0mixed\0inner\0empty\0dup\0DUP\0#hash\0/English\0inline\0tab\0\0two\0\0#"sv},
        {"key-list-empty-sec", "main", S, u"Empty", nullptr, u"D", 256, 2, u"x\0\0#"sv},
        {"key-list-missing-sec", "main", S, u"NoSuch", nullptr, u"D", 256, 1, u"D\0#"sv},
        {"section-list", "main", S, nullptr, nullptr, u"D", 1024, 45,
         u"Sec\0sec\0Spaced Section\0Empty\0Trail\0Sec2\0Nums\0\0#"sv},
        {"section", "main", P, u"Sec", nullptr, nullptr, 1024, 240,
         u"Key=Value\0spaced=padded value\0quoted=\"  quoted value  \"\0squoted='single'\0mismatch=\"abc\0"
         u"mixed=\"abc'\0inner=a \"b\" c\0empty=\0noequals line\0dup=first\0DUP=second\0#hash=yes\0"
         u"/English=English\0inline=value ; not a comment\0tab=tabbed\0=emptykey\0two=a=b\0\0#"sv},
        {"section-lower", "main", P, u"sec", nullptr, nullptr, 1024, 240, u"Key=Value\0spaced=padded value\0"sv},
        {"section-empty", "main", P, u"Empty", nullptr, nullptr, 1024, 13, u"[NoClose\0x=y\0\0#"sv},
        {"section-missing", "main", P, u"NoSuch", nullptr, nullptr, 1024, 0, u"\0\0"sv},
        {"section-top", "main", P, u"", nullptr, nullptr, 1024, 23, u"top=before any section\0\0#"sv},
        {"names", "main", N, nullptr, nullptr, nullptr, 1024, 45,
         u"Sec\0sec\0Spaced Section\0Empty\0Trail\0Sec2\0Nums\0\0#"sv},
        {"missing-file-section", nullptr, P, u"Sec", nullptr, nullptr, 1024, 0, u"\0\0"sv},
        {"missing-file-names", nullptr, N, nullptr, nullptr, nullptr, 1024, 0, u"\0#"sv},
        // The edge file.
        {"empty-name-section", "edges", S, u"", u"blank", u"D", 256, 1, u"D\0#"sv},
        {"with-[]", "edges", N, nullptr, nullptr, nullptr, 1024, 19, u"Indented\0Dup\0DUP\0M\0\0#"sv},
        {"empty-name-section-read", "edges", P, u"", nullptr, nullptr, 1024, 0, u"\0#"sv},
        {"indented-header", "edges", S, u"Indented", u"k", u"D", 256, 0, u"\0#"sv},
        {"quotes-after-trim", "edges", S, u"Indented", u"q", u"D", 256, 5, u"  x  \0\0"sv},
        {"empty-quotes", "edges", S, u"Indented", u"qq", u"D", 256, 0, u"\0\0"sv},
        {"lone-quote", "edges", S, u"Indented", u"q1", u"D", 256, 1, u"\"\0#"sv},
        {"empty-squotes", "edges", S, u"Indented", u"sq", u"D", 256, 0, u"\0\0"sv},
        {"first-of-dup-sections", "edges", S, u"DUP", u"v", u"D", 256, 1, u"1\0#"sv},
        {"noeq-trim", "edges", P, u"M", nullptr, nullptr, 1024, 38, u"noeq padded\0key==v\0key with space=v v\0\0#"sv},
        {"double-equals", "edges", S, u"M", u"key", u"D", 256, 2, u"=v\0#"sv},
        {"inner-space-key", "edges", S, u"M", u"key with space", u"D", 256, 3, u"v v\0#"sv},
        {"inner-space-key2", "edges", S, u"M", u"key  with space", u"D", 256, 1, u"D\0#"sv},
        // Only ASCII white space and Ctrl-Z are blanks.
        {"no-break-space", "odd-blanks", S, u"S", u"nb", u"D", 256, 3, u"\u00A0v\u00A0\0#"sv},
        {"ideographic-space", "odd-blanks", S, u"S", u"id", u"D", 256, 3, u"\u3000v\u3000\0#"sv},
        {"em-space-key", "odd-blanks", S, u"S", u"em", u"D", 256, 1, u"D\0#"sv},
        {"vt-ff-ctrlz", "odd-blanks", S, u"S", u"vt", u"D", 256, 1, u"v\0#"sv},
        // A NUL in the file ends the name or value it stands in.
        {"nul-in-value", "nul", S, u"S", u"k", u"D", 256, 1, u"a\0#"sv},
        {"nul-in-section", "nul", P, u"S", nullptr, nullptr, 1024, 8, u"k=a\0j=2\0\0#"sv},
        {"nul-in-header", "nul", N, nullptr, nullptr, nullptr, 1024, 2, u"S\0\0#"sv},
        // Windows folds every letter; Wine 8, which stands in for it in our
        // Windows runs, folds only ASCII ones, so this holds for ours alone.
        {"case-non-ascii", "utf16-case", S, u"\u00E4PFEL", u"\u00F6L", u"D", 256, 1, u"1\0#"sv, Where::Portable},
        // Truncation: the value "0123456789ABCDEFGHIJ" is 20 units long.
        {"trunc-value-0", "main", S, u"Sec2", u"long", u"D", 0, 0, u""sv},
        {"trunc-value-1", "main", S, u"Sec2", u"long", u"D", 1, 0, u"\0#"sv},
        {"trunc-value-2", "main", S, u"Sec2", u"long", u"D", 2, 1, u"0\0#"sv},
        {"trunc-value-5", "main", S, u"Sec2", u"long", u"D", 5, 4, u"0123\0#"sv},
        {"trunc-value-20", "main", S, u"Sec2", u"long", u"D", 20, 19, u"0123456789ABCDEFGHI\0#"sv},
        {"trunc-value-21", "main", S, u"Sec2", u"long", u"D", 21, 20, u"0123456789ABCDEFGHIJ\0#"sv},
        {"trunc-value-22", "main", S, u"Sec2", u"long", u"D", 22, 20, u"0123456789ABCDEFGHIJ\0#"sv},
        {"trunc-quoted-cut", "edges", S, u"Indented", u"q", u"D", 4, 3, u"  x\0#"sv},
        // The closing quote goes as the last unit copied: one unit short of
        // it, the last letter goes instead.
        {"trunc-quoted-closing-cut", "edges", S, u"Indented", u"q", u"D", 6, 4, u"  x \0\0#"sv},
        {"trunc-quoted-fits", "edges", S, u"Indented", u"q", u"D", 7, 5, u"  x  \0\0#"sv},
        {"trunc-quoted-default", "main", S, u"Sec2", u"none", u"\"abc\"", 4, 2, u"ab\0\0#"sv},
        {"trunc-empty-quotes-1", "edges", S, u"Indented", u"qq", u"D", 1, 0, u"\0#"sv},
        {"trunc-default", "main", S, u"Sec2", u"none", u"defaultvalue", 5, 4, u"defa\0#"sv},
        {"trunc-keylist-0", "main", S, u"Sec2", nullptr, u"D", 0, 0, u""sv},
        {"trunc-keylist-1", "main", S, u"Sec2", nullptr, u"D", 1, 0, u"\0#"sv},
        {"trunc-keylist-2", "main", S, u"Sec2", nullptr, u"D", 2, 1, u"D\0#"sv},
        {"trunc-keylist-3", "main", S, u"Sec2", nullptr, u"D", 3, 1, u"l\0\0#"sv},
        {"trunc-keylist-6", "main", S, u"Sec2", nullptr, u"D", 6, 4, u"long\0\0#"sv},
        {"trunc-keylist-7", "main", S, u"Sec2", nullptr, u"D", 7, 5, u"long\0\0#"sv},
        {"trunc-keylist-11", "main", S, u"Sec2", nullptr, u"D", 11, 9, u"long\0a\0bb\0\0#"sv},
        {"trunc-keylist-12", "main", S, u"Sec2", nullptr, u"D", 12, 10, u"long\0a\0bb\0\0#"sv},
        {"trunc-keylist-13", "main", S, u"Sec2", nullptr, u"D", 13, 10, u"long\0a\0bb\0\0#"sv},
        // The Windows function answers 4294967294 and 4294967295 for buffers
        // of 0 and 1 unit, having written in front of the buffer; neither
        // back end lets it write outside the buffer.
        {"trunc-section-0", "main", P, u"Sec2", nullptr, nullptr, 0, 0, u""sv},
        {"trunc-section-1", "main", P, u"Sec2", nullptr, nullptr, 1, 0, u"\0#"sv},
        {"trunc-section-2", "main", P, u"Sec2", nullptr, nullptr, 2, 0, u"\0#"sv},
        {"trunc-section-3", "main", P, u"Sec2", nullptr, nullptr, 3, 1, u"l\0\0#"sv},
        {"trunc-section-10", "main", P, u"Sec2", nullptr, nullptr, 10, 8, u"long=012\0\0#"sv},
        {"trunc-section-31", "main", P, u"Sec2", nullptr, nullptr, 31, 29, u"long=0123456789ABCDEFGHIJ\0a=1\0\0#"sv},
        {"trunc-section-32", "main", P, u"Sec2", nullptr, nullptr, 32, 30, u"long=0123456789ABCDEFGHIJ\0a=1\0\0#"sv},
        {"trunc-section-33", "main", P, u"Sec2", nullptr, nullptr, 33, 31, u"long=0123456789ABCDEFGHIJ\0a=1\0b\0\0#"sv},
        {"trunc-names-0", "main", N, nullptr, nullptr, nullptr, 0, 0, u""sv},
        {"trunc-names-1", "main", N, nullptr, nullptr, nullptr, 1, 0, u"\0#"sv},
        {"trunc-names-2", "main", N, nullptr, nullptr, nullptr, 2, 0, u"\0\0#"sv},
        {"trunc-names-3", "main", N, nullptr, nullptr, nullptr, 3, 1, u"S\0\0#"sv},
        {"trunc-names-5", "main", N, nullptr, nullptr, nullptr, 5, 3, u"Sec\0\0#"sv},
        {"trunc-names-10", "main", N, nullptr, nullptr, nullptr, 10, 8, u"Sec\0sec\0\0\0#"sv},
        {"trunc-seclist-0", "main", S, nullptr, nullptr, u"D", 0, 0, u""sv},
        {"trunc-seclist-1", "main", S, nullptr, nullptr, u"D", 1, 0, u"\0#"sv},
        {"trunc-seclist-2", "main", S, nullptr, nullptr, u"D", 2, 0, u"\0\0#"sv},
        {"trunc-seclist-3", "main", S, nullptr, nullptr, u"D", 3, 1, u"S\0\0#"sv},
        {"trunc-seclist-5", "main", S, nullptr, nullptr, u"D", 5, 3, u"Sec\0\0#"sv},
        {"trunc-seclist-10", "main", S, nullptr, nullptr, u"D", 10, 8, u"Sec\0sec\0\0\0#"sv},
        // Line ends.
        {"lf", "lf", S, u"A", u"k2", u"D", 256, 2, u"v2\0#"sv},
        {"lf-section", "lf", P, u"A", nullptr, nullptr, 1024, 10, u"k=v\0k2=v2\0\0#"sv},
        {"lf-names", "lf", N, nullptr, nullptr, nullptr, 1024, 4, u"A\0B\0\0#"sv},
        {"lone-cr", "line-ends", S, u"S", u"k", u"D", 256, 1, u"1\0#"sv},
        {"cr-inside-value", "line-ends", S, u"S", u"j", u"D", 256, 1, u"a\0#"sv},
        {"mixed-line-ends", "line-ends", P, u"S", nullptr, nullptr, 1024, 14, u"k=1\0j=a\0b\0m=3\0\0#"sv},
        {"mixed-line-ends-names", "line-ends", N, nullptr, nullptr, nullptr, 1024, 4, u"S\0T\0\0#"sv},
        // Encodings: the value is U+00C4 U+540D.
        {"utf16-bom", "utf16", S, u"Uni", u"name", u"D", 256, 2, u"\u00C4\u540D\0#"sv},
        {"utf16-bom-kanjikey", "utf16", S, u"Uni", u"\u540D", u"D", 256, 9, u"kanji key\0#"sv},
        {"utf16-bom-slash", "utf16", S, u"Uni", u"/English", u"D", 256, 7, u"English\0#"sv},
        {"utf16-bom-section", "utf16", P, u"Uni", nullptr, nullptr, 1024, 37,
         u"name=\u00C4\u540D\0\u540D=kanji key\0/English=English\0\0#"sv},
        {"utf16-bom-names", "utf16", N, nullptr, nullptr, nullptr, 1024, 4, u"Uni\0\0#"sv},
        {"utf16-nobom", "utf16-nobom", S, u"Uni", u"name", u"D", 256, 1, u"D\0#"sv},
        {"utf16be-bom", "utf16be", S, u"Uni", u"name", u"D", 256, 2, u"\u00C4\u540D\0#"sv},
        {"utf8-bom", "utf8-bom", S, u"Uni", u"name", u"D", 256, 2, u"\u00C4\u540D\0#"sv},
        {"utf8-nobom", "utf8", S, u"Uni", u"name", u"D", 256, 2, u"\u00C4\u540D\0#"sv, Where::Portable},
        {"utf8-nobom-ansi", "utf8", S, u"Uni", u"name", u"D", 256, 5, u"\u00C3\u201E\u00E5\u0090\u008D\0#"sv,
         Where::Windows},
        {"cp1252-bytes", "cp1252", S, u"Uni", u"name", u"D", 256, 2, u"\u00C4\u00E9\0#"sv},
    };
    return all;
}

const std::vector<WriteCase>& writeCases()
{
    static const std::vector<WriteCase> all = {
        {"new-file",
         nullptr,
         {
             {u"General", u"Lang", u"English", "[General]\r\nLang=English\r\n"},
             {u"General", u"Fps", u"25", "[General]\r\nLang=English\r\nFps=25\r\n"},
             {u"Other", u"A", u"1", "[General]\r\nLang=English\r\nFps=25\r\n[Other]\r\nA=1\r\n"},
             {u"GENERAL", u"LANG", u"French", "[General]\r\nLang=French\r\nFps=25\r\n[Other]\r\nA=1\r\n"},
             {u"General", u"Pad", u"  padded  ",
              "[General]\r\nLang=French\r\nFps=25\r\nPad=padded\r\n[Other]\r\nA=1\r\n"},
             {u"General", u"Q", u"\"quoted\"",
              "[General]\r\nLang=French\r\nFps=25\r\nPad=padded\r\nQ=\"quoted\"\r\n[Other]\r\nA=1\r\n"},
             {u"General", u"  PadKey  ", u"v",
              "[General]\r\nLang=French\r\nFps=25\r\nPad=padded\r\nQ=\"quoted\"\r\nPadKey=v\r\n[Other]\r\nA=1\r\n"},
             {u"General", u"/English", u"English",
              "[General]\r\nLang=French\r\nFps=25\r\nPad=padded\r\nQ=\"quoted\"\r\nPadKey=v\r\n/English=English\r\n"
              "[Other]\r\nA=1\r\n"},
             {u"General", u"Empty", u"",
              "[General]\r\nLang=French\r\nFps=25\r\nPad=padded\r\nQ=\"quoted\"\r\nPadKey=v\r\n/English=English\r\n"
              "Empty=\r\n[Other]\r\nA=1\r\n"},
             {u"General", u"Fps", nullptr,
              "[General]\r\nLang=French\r\nPad=padded\r\nQ=\"quoted\"\r\nPadKey=v\r\n/English=English\r\n"
              "Empty=\r\n[Other]\r\nA=1\r\n"},
             {u"Other", nullptr, nullptr,
              "[General]\r\nLang=French\r\nPad=padded\r\nQ=\"quoted\"\r\nPadKey=v\r\n/English=English\r\nEmpty=\r\n"},
         }},
        {"keep-comments",
         "comments",
         {
             {u"S", u"a", u"changed", "; header comment\r\n[S]\r\n; c1\r\na=changed\r\nnoeq\r\n[T]\r\nb=2\r\n"},
             {u"S", u"new", u"x", "; header comment\r\n[S]\r\n; c1\r\na=changed\r\nnoeq\r\nnew=x\r\n[T]\r\nb=2\r\n"},
         }},
        {"utf16-existing",
         "utf16-small",
         {
             {u"S", u"b", u"\u00C4\u540D",
              std::string("\xFF\xFE[\0S\0]\0\r\0\n\0a\0=\0"
                          "1\0\r\0\n\0b\0=\0\xC4\0\x0D\x54\r\0\n\0",
                          34)},
         }},
        // A language choice stored in a UTF-16 config.ini with other scripts.
        {"utf16-new-section",
         "utf16-small",
         {
             {u"DefaultLanguage", u"Default", u"/\u65E5\u672C\u8A9E",
              utf16le(u"[S]\r\na=1\r\nb=2\r\n[DefaultLanguage]\r\nDefault=/\u65E5\u672C\u8A9E\r\n")},
             {u"defaultlanguage", u"DEFAULT", u"/English",
              utf16le(u"[S]\r\na=1\r\nb=2\r\n[DefaultLanguage]\r\nDefault=/English\r\n")},
         }},
        {"utf16be-existing",
         "utf16be",
         {{u"Uni", u"b", u"\u540D", utf16be(u"[Uni]\r\nname=\u00C4\u540D\r\nb=\u540D\r\n")}}},
        {"dup-section", "dup-sections", {{u"dup", u"v", u"3", "[Dup]\r\nv=3\r\n[DUP]\r\nv=2\r\n"}}},
        {"nameless-section", "one-section", {{u"", u"blank", u"2", "blank=2\r\n[A]\r\nx=1\r\n"}}},
        // Windows rewrites the whole file with CRLF and tidied lines, and
        // stores characters outside its code page as "?".
        {"lf-existing", "lf-small", {{u"S", u"b", u"2", "[S]\na=1\nb=2\n"}}, Where::Portable},
        {"lf-existing", "lf-small", {{u"S", u"b", u"2", "[S]\r\na=1\r\nb=2\r\n"}}, Where::Windows},
        {"cr-existing", "cr-small", {{u"S", u"c", u"3", "[S]\ra=1\rb=1\rc=3\r"}}, Where::Portable},
        {"cr-existing", "cr-small", {{u"S", u"c", u"3", "[S]\r\na=1\r\nb=1\r\nc=3\r\n"}}, Where::Windows},
        {"untouched-lines",
         "untidy",
         {
             {u"T", u"c", u"4", "; kept as it is\r\n[S]\r\n  a  =  1  \r\n\tb=2\r\n\r\n[T]\r\nc=4"},
             {u"S", u"new", u"x", "; kept as it is\r\n[S]\r\n  a  =  1  \r\n\tb=2\r\nnew=x\r\n\r\n[T]\r\nc=4"},
             {u"T", u"d", u"5", "; kept as it is\r\n[S]\r\n  a  =  1  \r\n\tb=2\r\nnew=x\r\n\r\n[T]\r\nc=4\r\nd=5\r\n"},
             {u"U", u"e", u"6",
              "; kept as it is\r\n[S]\r\n  a  =  1  \r\n\tb=2\r\nnew=x\r\n\r\n[T]\r\nc=4\r\nd=5\r\n[U]\r\ne=6\r\n"},
         },
         Where::Portable},
        {"nonascii-8bit",
         nullptr,
         {{u"General", u"Uni", u"\u00C4\u540D", "[General]\r\nUni=\xC3\x84\xE5\x90\x8D\r\n"}},
         Where::Portable},
    };
    return all;
}

} // namespace ini_vectors
