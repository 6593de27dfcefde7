#pragma once
// CPU seconds the benchmarks count: this process's or its reaped
// children's (getrusage), or a running process's (its /proc stat line).
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

inline double cpuSeconds(int who)
{
    rusage r{};
    getrusage(who, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec)
        + static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

inline double cpuSecondsOfProcess(std::int64_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The name in parentheses may hold blanks: count from its end.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    double ticks = 0;
    // utime and stime are the 14th and 15th fields of the whole line, the
    // 12th and 13th after the name.
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}
