// Error messages over the active form: show a code's message bar, wait for the operator or a
// timeout, remove the bar again. A pending message is marked by the error flag.
#pragma once

#include "gui/window.h"

int PutErrorInfo(int code, GUIWINDOW* pWnd);
int ProcErrorInfo(int wait, GUIWINDOW* pWnd);
int ProcErrorInfoEx(int wait, GUIWINDOW* pWnd, int factoryBar);
int ClearErrorInfo(GUIWINDOW* pWnd);
int ClearErrorInfoEx(GUIWINDOW* pWnd, int factoryBar);
int GetErrorFlag();
void SetErrorFlag();
void ClearErrorFlag();
