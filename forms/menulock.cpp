// The menu lock (see menulock.h).
#include "forms/menulock.h"

#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/frmsyspassword.h"
#include "forms/password.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
struct Lockable {
    GUIWINDOW** ppWnd;
    uint32_t title;
};
const Lockable kMenus[MENU_LOCK_COUNT] = {
    {&frmSplice, TXT_SPLICE_MODE},
    {&frmMaintain, TXT_MAINTENANCE},
    {&frmHeater, TXT_HEATER_MODE},
    {&frmStorage, TXT_TITLE_SPLICE_RECORDS},
};

int lock_bits()
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 ? m.bMenuLock : 0;
}
} // namespace

GUIWINDOW* MenuLockForm(int i)
{
    return i >= 0 && i < MENU_LOCK_COUNT ? *kMenus[i].ppWnd : nullptr;
}

uint32_t MenuLockTitle(int i)
{
    return i >= 0 && i < MENU_LOCK_COUNT ? kMenus[i].title : 0;
}

bool MenuLockIsOn(int i)
{
    return i >= 0 && i < MENU_LOCK_COUNT && (lock_bits() >> i & 1);
}

int MenuLockSet(int i, bool on)
{
    if (i < 0 || i >= MENU_LOCK_COUNT) return -1;
    MachineParameter m{};
    ParamTableLock();
    int r = GetTable_MachinePar(&m);
    const uint8_t bits = on ? uint8_t(m.bMenuLock | 1u << i) : uint8_t(m.bMenuLock & ~(1u << i));
    if (r == 0 && bits != m.bMenuLock) {
        m.bMenuLock = bits;
        r = SetTable_MachineParEx(&m);
    }
    ParamTableUnlock();
    return r == 0 ? 0 : -1;
}

int PasswordNeededFor(const GUIWINDOW* target)
{
    if (!target) return -1;
    for (int i = 0; i < MENU_LOCK_COUNT; ++i)
        if (target == MenuLockForm(i) && MenuLockIsOn(i)) return PASSWORD_MENU_LOCK;
    // The software update belongs to the maintenance menu, whichever way it is opened.
    if (target == frmMaintUpdate && MenuLockIsOn(1)) return PASSWORD_MENU_LOCK;
    if (target == frmMenuLock && PasswordIsSet(PASSWORD_MENU_LOCK)) return PASSWORD_MENU_LOCK;
    if (target == frmSysFormat && PasswordIsSet(PASSWORD_FORMAT)) return PASSWORD_FORMAT;
    return -1;
}

uint32_t MenuLockGoTo(GUIWINDOW* from, GUIWINDOW* to)
{
    if (!to) return 0;
    const int kind = PasswordNeededFor(to);
    if (kind >= 0) return SysPasswordAsk(from, kind, to);
    if (to == frmSysPassword) to->lParam = 0; // the password settings, never a left-over prompt
    return FormGoTo(from, to);
}
