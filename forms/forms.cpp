// Builds and deletes the form windows of the catalogue.
#include "forms/forms.h"

#include <cstring>

#include "gui/global.h"

#define FORM_ENTRY_DECLARE(name, style, role) \
    uint32_t name##_Initialize();             \
    uint32_t name##_Release();                \
    uint32_t name##_Paint();                  \
    uint32_t name##_Process();
FORM_CATALOGUE(FORM_ENTRY_DECLARE)
#undef FORM_ENTRY_DECLARE

#define FORM_DEFINE(name, style, role) GUIWINDOW* name = nullptr;
FORM_CATALOGUE(FORM_DEFINE)
#undef FORM_DEFINE

namespace {
struct FormInfo {
    const char* name;
    GUIWINDOW** ppWnd;
    int style;
    const char* role;
    GUIENTRY fnInitialize, fnRelease, fnPaint, fnProcess;
};
#define FORM_INFO(name, style, role) \
    {#name, &name, style, role, name##_Initialize, name##_Release, name##_Paint, name##_Process},
const FormInfo kForms[] = {FORM_CATALOGUE(FORM_INFO)};
#undef FORM_INFO

const FormInfo* info_of(const GUIWINDOW* pWnd)
{
    if (!pWnd) return nullptr;
    for (auto& f : kForms)
        if (*f.ppWnd == pWnd) return &f;
    return nullptr;
}
} // namespace

int CreateFormWindows()
{
    int failed = 0;
    for (auto& f : kForms) {
        *f.ppWnd = BuildStdWindow(f.style, f.fnInitialize, f.fnRelease, f.fnPaint, f.fnProcess);
        if (!*f.ppWnd) ++failed;
    }
    return failed;
}

void DeleteFormWindows()
{
    for (auto& f : kForms) {
        if (*f.ppWnd) DeleteWindowDirect(*f.ppWnd);
        *f.ppWnd = nullptr;
    }
}

const char* FormName(const GUIWINDOW* pWnd)
{
    auto* f = info_of(pWnd);
    return f ? f->name : "?";
}

const char* FormRole(const GUIWINDOW* pWnd)
{
    auto* f = info_of(pWnd);
    return f ? f->role : "?";
}

GUIWINDOW* FindFormWindow(const char* name)
{
    for (auto& f : kForms)
        if (name && !std::strcmp(f.name, name)) return *f.ppWnd;
    return nullptr;
}
