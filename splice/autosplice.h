// The automatic splice sequence.
#pragma once

// Runs one splice on the active form; 0 done, 2 aborted by the operator or the cover, else an
// error code.
int FiberAutoSplice();
int SpliceOverProcess();
