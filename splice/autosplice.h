// The automatic splice sequence, its error and key waits, and the reduced sequence of the factory
// and calibration screens.
#pragma once

// Runs one splice on the active form: 3 when it ran to its end or the operator cancelled, 2 when
// aborted by Reset or the cover, -1 when the align motors cannot be located, else the manual
// alignment's result.
int FiberAutoSplice();
// Ends a splice: motors stopped and off, speed 0, heater resumed and unlocked, status 0.
int SpliceOverProcess();
// The error wait (also the pause with code 0): 0 to go on, or the code that ends the splice.
int ErrorEventProcess(int code, int wait);
// The key wait of a running splice.
int KeyEventProcess();
// The reduced sequence (factory test and arc calibration screens).
int SpliceFiber(int showResults);
// The quick-mode seconds counter.
void* thread_Timer(void* arg);
