// STAND-IN for the language files until the text resources land: remembers the language only.
#include <cstdio>

#include "app/textres.h"

namespace {
int g_language = 0;
}

int SyncLanguageChange(int language)
{
    std::printf("SyncLanguageChange %d\n", language);
    g_language = language;
    return 0;
}

int GetCurrentLanguage() { return g_language; }
