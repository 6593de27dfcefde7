// The finishing helper: started by an encoder's guard after the program died
// mid-take, with the take's working file.
//   vantreel-finish-take WORKING
#include "recording/crash_finish.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    return recording::FinishTakeAfterCrash(argv[1]);
}
