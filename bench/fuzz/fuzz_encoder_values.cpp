// Values a file hands to the encoder's command lines: the x264 settings
// taken from a stream's options text, and the probe's fields. Whatever the
// file says, each comes out in its plain form or not at all. The input is
// options text, or a probe's listing and what the run said, split at the
// first zero byte.
#include "editing/exact_cut_plan.h"
#include "media/media_probe.h"

#include <cstdlib>
#include <set>
#include <string>

using media::MediaProbe;

namespace {

bool only(const std::string& s, const char* allowed) { return s.find_first_not_of(allowed) == std::string::npos; }

void require(bool holds)
{
    if (!holds)
        std::abort();
}

// Every "key=value" of the settings has a key that is copied or added, and a
// value of its kind.
void checkX264(const std::string& params)
{
    static const std::set<std::string> numbers = {
        "cabac", "ref", "8x8dct", "bframes", "b-pyramid", "weightb", "weightp", "open-gop", "keyint-min",
        "constrained-intra", "stitchable", "bluray-compat", "intra-refresh", "chroma-qp-offset", "vbv-maxrate",
        "vbv-bufsize", "no-deblock", "psy", "crf", "qp", "bitrate", "qpmax"};
    std::size_t from = 0;
    while (from < params.size()) {
        std::size_t end = params.find(':', from);
        if (end == std::string::npos)
            end = params.size();
        const std::string setting = params.substr(from, end - from);
        const std::size_t eq = setting.find('=');
        require(eq != std::string::npos && eq + 1 < setting.size());
        const std::string key = setting.substr(0, eq);
        const std::string value = setting.substr(eq + 1);
        if (key == "keyint")
            require(value == "infinite" || only(value, "0123456789.-"));
        else if (key == "nal-hrd")
            require(value == "none" || value == "vbr" || value == "cbr");
        else if (key == "cqm")
            require(value == "flat");
        else if (key == "deblock")
            require(only(value, "0123456789-,") && value.find(',') != std::string::npos);
        else
            require(numbers.count(key) && only(value, "0123456789.-"));
        from = end + 1;
    }
}

void checkProbe(const MediaProbe& probe)
{
    if (!probe.readable)
        return;
    static const char* const name = "abcdefghijklmnopqrstuvwxyz0123456789_";
    require(only(probe.picture.codec, name) && only(probe.picture.pixelFormat, name) && only(probe.sound.codec, name));
    require(only(probe.picture.frameRateText, "0123456789./"));
    const std::string& layout = probe.sound.layout;
    const std::size_t count = layout.find(" channels");
    require(count == std::string::npos ? only(layout, "abcdefghijklmnopqrstuvwxyz0123456789.()-")
                                       : count > 0 && count + 9 == layout.size() && only(layout.substr(0, count), "0123456789"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkX264(editing::X264ParamsFor(text));
    checkX264(editing::X264ParamsFor(editing::X264OptionsIn(text)));
    const std::size_t split = text.find('\0');
    const std::string listing = text.substr(0, split);
    const std::string said = split == std::string::npos ? std::string() : text.substr(split + 1);
    checkProbe(media::ParseMediaProbe(listing, said));
    checkProbe(media::ParseMediaProbe(said, listing));
    return 0;
}
