// The heater-mode editor: template, name, note and the heating values, written to the parameter store on
// Confirm.
#include "forms/frmheateditprop.h"

#include "formmodel/forms.h"
#include "forms/frmheatselecttemp.h"
#include "forms/modetable.h"
#include "texts/textres.h"

namespace
{
extern const ROWSCREEN kScreen;
MODEEDITOR g = [] {
    MODEEDITOR e;
    e.table = &HeaterModeTable();
    e.self = &frmHeatEditProp;
    e.list = &frmHeatEdit;
    e.templates = &frmHeatSelectTemp;
    e.screen = &kScreen;
    e.nested = &frmHeatSelectTempList();
    return e;
}();

void enter()
{
    ModeEditorEnter(g);
}
void rows(std::vector<ROWLINE>& out)
{
    ModeEditorRows(g, out);
}
void buttons(std::vector<TEXTPIECE>& out)
{
    out = {{TXT_CANCEL, "Cancel"}, {TXT_SAVE, "Save"}};
}
uint32_t press(int button)
{
    return ModeEditorPress(g, button);
}
uint32_t confirm(int row)
{
    return ModeEditorActivate(g, row);
}
uint32_t key(int k, int repeat)
{
    return ModeEditorKey(g, k, repeat);
}
void step(int row, int dir, int repeat)
{
    ModeEditorStep(g, row, dir, repeat);
}
bool steps(int row)
{
    return ModeEditorSteps(g, row);
}
bool editing()
{
    return g.editing;
}

const ROWSCREEN kScreen = {
    .ppWnd = &frmHeatEditProp,
    .parent = &frmHeatEdit,
    .title = "Heater Mode Parameters",
    .hint = "Up/Down: item  Right: change  then Left +  Right -   Confirm: save   Cancel: back",
    .enter = enter,
    .rows = rows,
    .buttons = buttons,
    .press = press,
    .confirm = confirm,
    .touchConfirms = true,
    .key = key,
    .step = step,
    .steps = steps,
    .editing = editing,
};
} // namespace

const MODEEDITOR& frmHeatEditPropEditor()
{
    return g;
}

ROW_FORM(frmHeatEditProp, kScreen)
