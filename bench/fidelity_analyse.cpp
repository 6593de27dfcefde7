// Prints the fidelity row of a recording of fidelity_scene.
//   fidelity_analyse LABEL FILE.mp4
#include "fidelity.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: fidelity_analyse LABEL FILE.mp4\n");
        return 2;
    }
    const Fidelity f = MeasureFidelity(argv[2], argc > 3 ? std::atoi(argv[3]) : 0);
    std::fputs(FidelityRow(argv[1], f).c_str(), stdout);
    return f.ok ? 0 : 1;
}
