// STAND-IN for the splice sequence until the splice process lands: prints the status texts of a
// splice and returns without moving anything.
#include <cstdio>

#include "splice/autosplice.h"

int FiberAutoSplice()
{
    static const char* const kSteps[] = {"Splice Start", "Feed fibres", "Clean arc", "Align",
                                         "Arc", "Estimate loss", "Splice finished"};
    for (const char* s : kSteps) std::printf("FiberAutoSplice: %s (not available on this build)\n", s);
    return 0;
}

int SpliceOverProcess() { return 0; }
int ErrorEventProcess(int code, int) { return code == 2 ? 2 : 0; }
int KeyEventProcess() { return 0; }
int SpliceFiber(int) { return 0; }
void* thread_Timer(void*) { return nullptr; }
