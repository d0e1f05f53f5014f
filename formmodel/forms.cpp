// The form windows of the catalogue and their names.
#include "formmodel/forms.h"

#include <cstring>

#define FORM_DEFINE(name, style, role) GUIWINDOW* name = nullptr;
FORM_CATALOGUE(FORM_DEFINE)
#undef FORM_DEFINE

GUIWINDOW* WND_ACTIVE = nullptr;

namespace
{
#define FORM_INFO(name, style, role) {#name, &name, style, role},
const FORMINFO kForms[] = {FORM_CATALOGUE(FORM_INFO)};
#undef FORM_INFO

const FORMINFO* info_of(const GUIWINDOW* pWnd)
{
    if (!pWnd) return nullptr;
    for (auto& f : kForms)
        if (*f.ppWnd == pWnd) return &f;
    return nullptr;
}
} // namespace

std::span<const FORMINFO> FormCatalogue()
{
    return kForms;
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
