// The list of heater modes; the one chosen becomes the current mode (the next heating uses it).
#include "forms/frmheatselect.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

namespace
{
extern const ROWSCREEN kScreen;
MODELIST g{&HeaterModeTable(), MODEACTION::SELECT, &frmHeatSelect, nullptr, &kScreen};

void enter()
{
    ModeListEnter(g);
}
void rows(std::vector<ROWLINE>& out)
{
    ModeListRows(g, out);
}
void buttons(std::vector<TEXTPIECE>& out)
{
    ModeListButtons(g, out);
}
uint32_t press(int button)
{
    return ModeListPress(g, button);
}
uint32_t confirm(int row)
{
    return ModeListConfirm(g, row);
}
uint32_t key(int k, int)
{
    return ModeListKey(g, k);
}

const ROWSCREEN kScreen = {
    .ppWnd = &frmHeatSelect,
    .parent = &frmHeater,
    .title = "Select Heater Mode",
    .hint = "Up/Down: mode   Confirm: make it current   Cancel: back",
    .enter = enter,
    .rows = rows,
    .buttons = buttons,
    .press = press,
    .confirm = confirm,
    .key = key,
};
} // namespace

ROW_FORM(frmHeatSelect, kScreen)
