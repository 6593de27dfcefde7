// The merge as the merge page runs it, for bench/join_bench.sh:
//   join_bench OUTPUT_FOLDER PART...
// prints the joined file, the seconds the merge took, and the parts it
// converted (by number, "-" for none).
#include "media/media_match.h"
#include "media/media_probe.h"
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "encoder/tool.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using encoder::EnsureToolFolder;
using media::JoinPlan;
using media::MediaProbe;
using editing::MergeFiles;
using editing::MergeProgress;
using media::PlanJoin;
using media::ProbeMedia;
using encoder::RunEnded;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: join_bench OUTPUT_FOLDER PART...\n");
        return 2;
    }
    EnsureToolFolder();
    const std::vector<std::string> parts(argv + 2, argv + argc);
    std::vector<MediaProbe> probes;
    for (const std::string& p : parts)
        probes.push_back(ProbeMedia(p));
    const JoinPlan plan = PlanJoin(probes);
    std::string converted;
    for (std::size_t k = 0; k < plan.parts.size(); ++k)
        if (!plan.parts[k].matches)
            converted += (converted.empty() ? "" : ",") + std::to_string(k + 1);

    MergeProgress progress;
    std::string target;
    std::string why;
    const auto start = std::chrono::steady_clock::now();
    const int status = MergeFiles(argv[1], {parts, {}, {}}, progress,
                                  [&](int, const std::string&, const std::string& t, int) { target = t; }, &why);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != RunEnded) {
        std::fprintf(stderr, "merge failed (%d): %s\n", status, why.c_str());
        return 1;
    }
    std::printf("%s\t%.3f\t%s\n", target.c_str(), seconds, converted.empty() ? "-" : converted.c_str());
    return 0;
}
