// Menus and mode lists of the mode forms (see modemenus.h).
#include "forms/modemenus.h"

#include <cstdio>

#include "devices/heater.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "texts/textres.h"

void MenuRows(const std::vector<MENUROW>& menu, std::vector<ROWLINE>& out)
{
    for (const MENUROW& m : menu)
        out.push_back({{{m.text, m.label}}, {}});
}

uint32_t MenuKey(int key)
{
    if (key == 10) {
        HeaterFiber();
        return 0;
    }
    return ROW_KEY_PASS;
}

uint32_t MenuOpen(GUIWINDOW* self, const std::vector<MENUROW>& menu, int row)
{
    if (row < 0 || row >= int(menu.size()) || !menu[size_t(row)].target) return 0;
    return FormGoTo(self, *menu[size_t(row)].target);
}

void ModeListEnter(MODELIST& l)
{
    l.rows = ModesInUse(*l.table);
    l.armed = 0;
    if ((*l.self)->lReason == FORM_BACK) return; // back from the editor: same place
    // The list opens on the current mode.
    uint8_t r[MODE_RECORD_SIZE];
    int focus = 0;
    for (size_t i = 0; i < l.rows.size(); ++i)
        if (l.table->read(l.rows[i], r) == 0 && r[7]) {
            focus = int(i);
            break;
        }
    RowScreenSetFocus(*l.screen, focus);
}

void ModeListRows(MODELIST& l, std::vector<ROWLINE>& out)
{
    for (int n : l.rows)
        out.push_back(ModeRow(*l.table, n, false));
}

namespace
{
void say(MODELIST& l, std::vector<TEXTPIECE> m)
{
    RowScreenMessage(*l.screen, std::move(m));
    RowScreenRefresh(*l.screen);
}
} // namespace

uint32_t ModeListConfirm(MODELIST& l, int row)
{
    if (row < 0 || row >= int(l.rows.size())) return 0;
    const int n = l.rows[size_t(row)];
    switch (l.action) {
    case MODEACTION::SELECT: {
        // The workbench shows the mode chosen; a failed write stays here and says so.
        if (ModeSelect(*l.table, n) == 0) return FormGoTo(*l.self, frmWorkbench);
        say(l, {{TXT_FAILED, "Failed"}});
        return 0;
    }
    case MODEACTION::EDIT:
        (*l.editor)->lParam = uint32_t(n - 1);
        (*l.editor)->lReason = FORM_NEXT;
        return FormGoTo(*l.self, *l.editor);
    case MODEACTION::DELETE: {
        uint8_t r[MODE_RECORD_SIZE];
        if (l.table->read(n, r) == 0 && (r[7] || (l.table->splice && r[5]))) {
            say(l, {r[7] ? TEXTPIECE{TXT_CURRENT_MODE_KEPT, "The current mode cannot be deleted"}
                         : TEXTPIECE{TXT_MODE_LOCKED, "This mode is locked"}});
            return 0;
        }
        // The first Confirm asks, the second deletes.
        if (l.armed != n) {
            l.armed = n;
            say(l, {{TXT_CONFIRM_PROMPT, "Press OK to confirm"}});
            return 0;
        }
        l.armed = 0;
        const int rc = ModeDelete(*l.table, n);
        if (rc == 0) l.rows = ModesInUse(*l.table);
        say(l, rc == 0 ? std::vector<TEXTPIECE>{{TXT_DONE, "Done"}}
                       : std::vector<TEXTPIECE>{{TXT_FAILED, "Failed"}});
        return 0;
    }
    }
    return 0;
}

void ModeListButtons(MODELIST& l, std::vector<TEXTPIECE>& out)
{
    const TEXTPIECE action = l.action == MODEACTION::SELECT ? TEXTPIECE{TXT_SELECT, "Select"}
                             : l.action == MODEACTION::EDIT ? TEXTPIECE{TXT_EDIT, "Edit"}
                                                            : TEXTPIECE{TXT_DELETE, "Delete"};
    out = {{TXT_BACK, "Back"}, action};
}

uint32_t ModeListPress(MODELIST& l, int button)
{
    if (button == 0) return RowScreenBack(*l.screen);
    return ModeListConfirm(l, RowScreenFocus(*l.screen));
}

uint32_t ModeListKey(MODELIST& l, int key)
{
    if (key == 5 || key == 6) l.armed = 0; // moving on forgets a pending delete
    if (key == 10) {
        HeaterFiber();
        return 0;
    }
    return ROW_KEY_PASS;
}
