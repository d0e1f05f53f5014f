// Languages and text resources.
#pragma once

// Loads the glyphs and texts of a language and makes it current; 0, or -1 (the old one stays).
int SyncLanguageChange(int language);
int GetCurrentLanguage();
