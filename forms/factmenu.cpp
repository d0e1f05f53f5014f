// The factory menus (see factmenu.h).
#include "forms/factmenu.h"

#include <map>

#include "formmodel/forms.h"
#include "forms/standin.h"

const MENUSCREEN& FactMenu(GUIWINDOW** ppWnd)
{
    static std::map<GUIWINDOW**, MENUSCREEN> menus;
    auto it = menus.find(ppWnd);
    if (it != menus.end()) return it->second;
    MENUSCREEN m{ppWnd, {}};
    int k = 0;
    // The last slot stays null: it ends the list.
    for (int i = 0; i < StandinMenuCount(*ppWnd) && k < MENU_SCREEN_MAX - 1; ++i) {
        const GUIWINDOW* target = StandinMenuTarget(*ppWnd, i);
        for (const FORMINFO& f : FormCatalogue())
            if (target && *f.ppWnd == target) {
                m.items[k++] = f.ppWnd;
                break;
            }
    }
    return menus.emplace(ppWnd, m).first->second;
}
