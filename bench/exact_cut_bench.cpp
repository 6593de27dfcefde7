// One cut as the cut page runs it, for bench/exact_cut_bench.sh:
//   exact_cut_bench exact|keyframe OUTPUT_FOLDER SOURCE START_MS END_MS
// prints the cut file and the seconds the cut took.
#include "editing/exact_cut.h"
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "encoder/tool.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using editing::CutExactly;
using editing::CutJob;
using editing::CutStretch;
using encoder::EnsureToolFolder;
using editing::JobNotify;
using encoder::RunEnded;

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: exact_cut_bench exact|keyframe OUTPUT_FOLDER SOURCE START_MS END_MS\n");
        return 2;
    }
    EnsureToolFolder();
    const bool exact = std::string(argv[1]) == "exact";
    const CutJob job{argv[3], std::atoll(argv[4]), std::atoll(argv[5])};
    std::string target;
    std::string why;
    const JobNotify notify = [&](int, const std::string&, const std::string& t, int) { target = t; };
    const auto start = std::chrono::steady_clock::now();
    const int status = exact ? CutExactly(argv[2], job, notify, &why) : CutStretch(argv[2], job, notify, &why);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != RunEnded) {
        std::fprintf(stderr, "cut failed (%d): %s\n", status, why.c_str());
        return 1;
    }
    std::printf("%s\t%.3f\n", target.c_str(), seconds);
    return 0;
}
