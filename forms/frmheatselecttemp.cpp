// The heater templates: chosen from the menu, a new heater mode is made from one and opened in the editor;
// run nested by the editor, the chosen one is copied over the mode.
#include "forms/frmheatselecttemp.h"

#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/modetable.h"
#include "texts/textres.h"

namespace
{
extern const ROWSCREEN kScreen;
TEMPLATELIST g = [] {
    TEMPLATELIST l;
    l.table = &HeaterModeTable();
    l.self = &frmHeatSelectTemp;
    l.editor = &frmHeatEditProp;
    l.screen = &kScreen;
    return l;
}();

void enter()
{
    TemplateListEnter(g);
}
void rows(std::vector<ROWLINE>& out)
{
    TemplateListRows(g, out);
}
void buttons(std::vector<TEXTPIECE>& out)
{
    out = {{TXT_BACK, "Back"}, {TXT_SELECT, "Select"}};
}
uint32_t press(int button)
{
    if (button == 0) return g.nested ? FORM_BACK : RowScreenBack(kScreen);
    return TemplateListChoose(g, RowScreenFocus(kScreen));
}
uint32_t confirm(int row)
{
    return TemplateListChoose(g, row);
}
uint32_t key(int k, int)
{
    return TemplateListKey(g, k);
}

const ROWSCREEN kScreen = {
    .ppWnd = &frmHeatSelectTemp,
    .parent = &frmHeater,
    .title = "New Heater Mode",
    .hint = "Up/Down: template   Confirm: use it   Cancel: back",
    .enter = enter,
    .rows = rows,
    .buttons = buttons,
    .press = press,
    .confirm = confirm,
    .key = key,
};
} // namespace

TEMPLATELIST& frmHeatSelectTempList()
{
    return g;
}

ROW_FORM(frmHeatSelectTemp, kScreen)
