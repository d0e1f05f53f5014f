// The mode tables as the splice-mode and heater-mode forms use them (see modetable.h).
#include "forms/modetable.h"

#include <cstdio>
#include <cstring>

#include "devices/heater.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/frminfotextedit.h"
#include "texts/format.h"
#include "texts/textres.h"

namespace
{
constexpr int kDefine = 6, kLock = 5, kActive = 7, kIndex = 4, kTemplateIndex = 8;

std::string padded_number(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d  ", n);
    return buf;
}
} // namespace

const MODETABLE& SpliceModeTable()
{
    static const MODETABLE t = {128,
                                32,
                                ReadMode_Splice,
                                WriteMode_Splice,
                                ReadTemp_Splice,
                                SpliceModeItems,
                                SpliceModeApplyTemplate,
                                70,
                                78,
                                true};
    return t;
}

const MODETABLE& HeaterModeTable()
{
    static const MODETABLE t = {32,
                                16,
                                ReadMode_Heater,
                                WriteMode_Heater,
                                ReadTemp_Heater,
                                HeaterModeItems,
                                HeaterModeApplyTemplate,
                                24,
                                32,
                                false};
    return t;
}

bool ModeInUse(const MODETABLE& t, const uint8_t* r)
{
    if (t.splice) return r[kDefine] != 0;
    return (r[10] | r[11] << 8) != 0; // heating temperature
}

std::vector<int> ModesInUse(const MODETABLE& t)
{
    std::vector<int> out;
    uint8_t r[MODE_RECORD_SIZE];
    for (int n = 1; n <= t.modes; ++n)
        if (t.read(n, r) == 0 && ModeInUse(t, r)) out.push_back(n);
    return out;
}

std::vector<int> TemplatesInUse(const MODETABLE& t)
{
    std::vector<int> out;
    uint8_t r[MODE_RECORD_SIZE];
    for (int n = 1; n <= t.templates; ++n)
        if (t.readTemp(n, r) == 0 && ModeInUse(t, r)) out.push_back(n);
    return out;
}

ROWLINE ModeRow(const MODETABLE& t, int n, bool templ)
{
    uint8_t r[MODE_RECORD_SIZE] = {};
    if ((templ ? t.readTemp : t.read)(n, r) != 0) return {{{0, padded_number(n) + "-"}}, {}};
    std::string label = padded_number(n) + ModeTextGet(r + t.nameOffset, 8);
    if (!templ && r[kActive]) label += "  *";
    if (!templ && t.splice && r[kLock]) label += "  [L]";
    const std::string note = ModeTextGet(r + t.noteOffset, 16);
    return {{{0, label}}, {{0, note.empty() ? "-" : note}}};
}

int ModeSelect(const MODETABLE& t, int n)
{
    uint8_t r[MODE_RECORD_SIZE];
    if (t.read(n, r) != 0 || !ModeInUse(t, r)) return 1;
    if (!r[kActive]) {
        r[kActive] = 1;
        if (t.write(n, r) != 0) return -1;
    }
    int rc = 0;
    for (int m = 1; m <= t.modes; ++m) {
        if (m == n || t.read(m, r) != 0 || !r[kActive]) continue;
        r[kActive] = 0;
        if (t.write(m, r) != 0) rc = -1;
    }
    return rc;
}

int ModeDelete(const MODETABLE& t, int n)
{
    uint8_t r[MODE_RECORD_SIZE];
    if (t.read(n, r) != 0 || !ModeInUse(t, r)) return 1;
    if (r[kActive] || (t.splice && r[kLock])) return 1;
    if (t.splice)
        r[kDefine] = 0;
    else
        std::memset(r, 0, sizeof r);
    return t.write(n, r) == 0 ? 0 : -1;
}

int ModeCreate(const MODETABLE& t, int tn)
{
    uint8_t templ[MODE_RECORD_SIZE], r[MODE_RECORD_SIZE];
    if (t.readTemp(tn, templ) != 0 || !ModeInUse(t, templ)) return -1;
    for (int n = 1; n <= t.modes; ++n) {
        if (t.read(n, r) != 0 || ModeInUse(t, r)) continue;
        std::memcpy(r, templ, sizeof r);
        r[0] |= 0x07;
        r[kActive] = 0;
        if (t.splice) {
            r[kIndex] = uint8_t(n - 1);
            r[kLock] = 0;
            r[kDefine] = 1;
        }
        return t.write(n, r) == 0 ? n : -1;
    }
    return 0;
}

// ---- The editor ----------------------------------------------------------------------------------

namespace
{
std::vector<const MODEITEM*> shown(const MODEEDITOR& e)
{
    if (!e.loaded) return {};
    return ModeItemsShown(e.table->items(), e.record);
}

const MODEITEM* item_at(const MODEEDITOR& e, int row)
{
    const auto items = shown(e);
    return row >= 0 && row < int(items.size()) ? items[size_t(row)] : nullptr;
}

bool locked(const MODEEDITOR& e)
{
    return e.table->splice && e.record[kLock];
}

void say(const MODEEDITOR& e, std::vector<TEXTPIECE> m)
{
    RowScreenMessage(*e.screen, std::move(m));
}

void change(MODEEDITOR& e, const MODEITEM& it, int dir, int repeat)
{
    if (locked(e)) {
        say(e, {{TXT_MODE_LOCKED, "This mode is locked"}});
        return;
    }
    ModeItemChange(it, e.record, dir, repeat);
}

// Back to the mode list (code 6 with the list as the back link, so the list's own Cancel still
// goes up to the menu).
uint32_t leave(MODEEDITOR& e)
{
    e.loaded = false;
    e.editing = false;
    (*e.self)->pPrev = *e.list;
    return RowScreenBack(*e.screen);
}

// Runs the template list as a nested form; the code of a form loop request (home, switch-off) is
// passed on, 0 otherwise.
uint32_t run_templates(MODEEDITOR& e);
} // namespace

void ModeEditorEnter(MODEEDITOR& e)
{
    GUIWINDOW* w = *e.self;
    const bool back = w->lReason == FORM_BACK && e.loaded;
    if (back && e.pendingText) {
        // Back from the keyboard: the text typed goes into the copy.
        std::string text;
        if (InfoTextEditTake(w, text) && ModeItemAllowed(*e.pendingText, e.record))
            ModeTextSet(e.record + e.pendingText->offset, e.pendingText->size, text);
        e.pendingText = nullptr;
        return;
    }
    e.pendingText = nullptr;
    e.editing = false;
    e.index = int(w->lParam);
    e.loaded = e.index >= 0 && e.table->read(e.index + 1, e.record) == 0;
    RowScreenSetFocus(*e.screen, 0);
    RowScreenMessage(*e.screen, {});
    if (!e.loaded) say(e, {{TXT_NOT_AVAILABLE, "Not available on this unit"}});
}

void ModeEditorRows(MODEEDITOR& e, std::vector<ROWLINE>& out)
{
    for (const MODEITEM* it : shown(e)) {
        ROWLINE l;
        l.label = {{it->text, it->label}};
        if (it->step == STEPKIND::TEMPLATE) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%d  >", e.table->splice ? e.record[kTemplateIndex] + 1 : 0);
            l.value = {{0, e.table->splice ? buf : ">"}};
        } else {
            l.value = ModeItemValue(*it, e.record);
        }
        out.push_back(std::move(l));
    }
}

uint32_t ModeEditorActivate(MODEEDITOR& e, int row)
{
    const MODEITEM* it = item_at(e, row);
    if (!it) return 0;
    if (it->step == STEPKIND::TEMPLATE || it->step == STEPKIND::TEXT) {
        // Byte 0 bits 0 to 2 guard these items; a guarded press does nothing.
        if (!ModeItemAllowed(*it, e.record)) return 0;
        if (it->step == STEPKIND::TEMPLATE) return run_templates(e); // a template also unlocks
        if (locked(e)) {
            say(e, {{TXT_MODE_LOCKED, "This mode is locked"}});
            RowScreenRefresh(*e.screen);
            return 0;
        }
        e.pendingText = it;
        return InfoTextEditOpen(
            *e.self, {it->label, ModeTextGet(e.record + it->offset, it->size), size_t(it->size - 1), false});
    }
    e.editing = true;
    RowScreenRefresh(*e.screen);
    return 0;
}

void ModeEditorStep(MODEEDITOR& e, int row, int dir, int repeat)
{
    const MODEITEM* it = item_at(e, row);
    if (!it || it->step == STEPKIND::TEMPLATE || it->step == STEPKIND::TEXT) return;
    e.editing = true;
    change(e, *it, dir, repeat);
}

bool ModeEditorSteps(const MODEEDITOR& e, int row)
{
    const MODEITEM* it = item_at(e, row);
    return it && it->step != STEPKIND::TEMPLATE && it->step != STEPKIND::TEXT;
}

uint32_t ModeEditorSave(MODEEDITOR& e)
{
    if (!e.loaded) return 0;
    if (e.table->write(e.index + 1, e.record) != 0) {
        std::printf("Mode %d: save failed\n", e.index + 1);
        say(e, {{TXT_FAILED, "Failed"}});
        RowScreenRefresh(*e.screen);
        return 0;
    }
    return leave(e);
}

uint32_t ModeEditorKey(MODEEDITOR& e, int key, int repeat)
{
    const int row = RowScreenFocus(*e.screen);
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        if (e.editing) {
            e.editing = false;
            RowScreenRefresh(*e.screen);
            return 0;
        }
        return leave(e);
    case 3:
        return ModeEditorSave(e);
    case 5:
    case 6:
        e.editing = false;
        return ROW_KEY_PASS;
    case 7:
    case 8:
        if (!e.editing) {
            if (key == 8) return ModeEditorActivate(e, row);
            return 0;
        }
        // Value editing: left raises the value, right lowers it.
        if (const MODEITEM* it = item_at(e, row)) change(e, *it, key == 7 ? 1 : -1, repeat);
        RowScreenRefresh(*e.screen);
        return 0;
    case 10:
        HeaterFiber();
        return 0;
    default:
        return 0;
    }
}

void ModeEditorButtons(std::vector<TEXTPIECE>& out)
{
    out = {{TXT_CANCEL, "Cancel"}, {TXT_SAVE, "Save"}};
}

uint32_t ModeEditorPress(MODEEDITOR& e, int button)
{
    if (button == 0) return leave(e);
    return ModeEditorSave(e);
}

// ---- The template list -------------------------------------------------------------------------

void TemplateListEnter(TEMPLATELIST& l)
{
    l.rows = TemplatesInUse(*l.table);
    l.chosen = 0;
    if ((*l.self)->lReason != FORM_BACK) RowScreenSetFocus(*l.screen, 0);
}

void TemplateListRows(TEMPLATELIST& l, std::vector<ROWLINE>& out)
{
    for (int n : l.rows)
        out.push_back(ModeRow(*l.table, n, true));
}

uint32_t TemplateListChoose(TEMPLATELIST& l, int row)
{
    if (row < 0 || row >= int(l.rows.size())) return 0;
    const int tn = l.rows[size_t(row)];
    if (l.nested) {
        l.chosen = tn;
        return FORM_BACK;
    }
    const int n = ModeCreate(*l.table, tn);
    if (n <= 0) {
        RowScreenMessage(*l.screen, n == 0 ? std::vector<TEXTPIECE>{{TXT_NO_FREE_MODE, "No free mode slot"}}
                                           : std::vector<TEXTPIECE>{{TXT_FAILED, "Failed"}});
        RowScreenRefresh(*l.screen);
        return 0;
    }
    (*l.editor)->lParam = uint32_t(n - 1);
    (*l.editor)->lReason = FORM_NEXT;
    return FormGoTo(*l.self, *l.editor);
}

uint32_t TemplateListKey(TEMPLATELIST& l, int key)
{
    // Nested, Cancel comes back without a choice (the editor reads `chosen`).
    if (key == 2 && l.nested) return FORM_BACK;
    if (key == 10) {
        HeaterFiber();
        return 0;
    }
    return ROW_KEY_PASS;
}

void TemplateListButtons(std::vector<TEXTPIECE>& out)
{
    out = {{TXT_BACK, "Back"}, {TXT_SELECT, "Select"}};
}

uint32_t TemplateListPress(TEMPLATELIST& l, int button)
{
    if (button == 0) return l.nested ? FORM_BACK : RowScreenBack(*l.screen);
    return TemplateListChoose(l, RowScreenFocus(*l.screen));
}

namespace
{
uint32_t run_templates(MODEEDITOR& e)
{
    TEMPLATELIST* l = e.nested;
    GUIWINDOW* t = e.templates ? *e.templates : nullptr;
    if (!l || !t) return 0;
    l->nested = true;
    t->lReason = FORM_NEXT;
    WND_ACTIVE = t;
    t->fnInitialize();
    t->fnPaint();
    const uint32_t code = t->fnProcess();
    t->fnRelease();
    l->nested = false;
    WND_ACTIVE = *e.self;
    if (code == FORM_BACK && l->chosen > 0) {
        uint8_t templ[MODE_RECORD_SIZE];
        if (e.table->readTemp(l->chosen, templ) == 0) {
            e.table->applyTemplate(e.record, templ);
        }
        RowScreenSetFocus(*e.screen, 0);
    }
    RowScreenRedraw(*e.screen);
    return code == FORM_HOME || code == FORM_SHUTDOWN ? code : 0;
}
} // namespace
