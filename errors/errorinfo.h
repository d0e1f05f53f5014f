// Error messages over the active form: show a code's message bar, wait for the operator or a
// timeout, remove the bar again. A pending message is marked by the error flag.
#pragma once

#include "gui/text.h"
#include "gui/window.h"

int PutErrorInfo(int code, GUIWINDOW* pWnd);
int ProcErrorInfo(int wait, GUIWINDOW* pWnd);
int ProcErrorInfoEx(int wait, GUIWINDOW* pWnd, int factoryBar);
int ClearErrorInfo(GUIWINDOW* pWnd);
int ClearErrorInfoEx(GUIWINDOW* pWnd, int factoryBar);
int GetErrorFlag();
void SetErrorFlag();
void ClearErrorFlag();

// The message of a code as the bar shows it in a language (built-in texts, the cleave limit of
// the current splice mode after 242, "Error %d" when the language has no text for it), size 15,
// weight 1; null for codes that are never shown (0, 2) or when memory runs out. The caller
// deletes it with DeleteStringDirect.
GUISTRING* GetErrorText(int code, int language);

// Where the bar of the message shown now lies on the screen; false when no bar is up.
struct ErrorBarRect {
    int x, y, w, h;
};
bool GetErrorBarRect(ErrorBarRect* rect);
