// Notes of a stored record (its splice place text, 16 bytes). The keyboard edits them; on the way
// back the record is looked up again by its slot and splice number, so the note never lands on
// another record if the store changed meanwhile, and it is written through the store's lock.
#include "forms/frmstoredit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/frminfotextedit.h"
#include "forms/utf8text.h"
#include "records/record.h"
#include "records/recordstore.h"
#include "texts/textres.h"

namespace
{
constexpr size_t kNoteMax = sizeof(APPRECORD::bSplicePlace);

struct Edit {
    std::string message;
} g;

// The record the keyboard is editing.
struct Draft {
    bool editing = false;
    int row = 0, slot = -1;
    uint32_t number = 0, time = 0;
} draft;

int records()
{
    int n = 0;
    return GetCount_Record(&n) == 0 ? n : 0;
}

std::string note_of(const APPRECORD& r)
{
    return Utf8Fit(std::string(r.bSplicePlace, strnlen(r.bSplicePlace, kNoteMax)), kNoteMax);
}

// Rows list the newest record first.
int position_of_row(int row)
{
    return records() - row;
}

void store(const std::string& text)
{
    RecordGuard lock;
    for (int p = records(); p >= 1; --p) {
        APPRECORD r;
        if (TransRecordIndex(p) != draft.slot || ReadRecord(p, &r) != 0) continue;
        if (r.dwSpliceNumber != draft.number || r.dwSpliceTime != draft.time) break;
        std::memset(r.bSplicePlace, 0, kNoteMax);
        const std::string fit = Utf8Fit(text, kNoteMax);
        std::memcpy(r.bSplicePlace, fit.data(), fit.size());
        g.message = PanelTextOf(WriteRecord(p, &r) == 0 ? TXT_NOTES_STORED : TXT_NOTES_NOT_STORED);
        return;
    }
    g.message = PanelTextOf(TXT_RECORD_GONE);
}

void enter()
{
    g = Edit{};
    if (draft.editing && frmStorEdit->lReason == FORM_BACK) {
        draft.editing = false;
        PanelSetListFocus(draft.row);
        std::string text;
        if (InfoTextEditTake(frmStorEdit, text)) store(text);
        return;
    }
    draft = Draft{};
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"", PanelTextOf(TXT_CHOOSE_RECORD)});
    out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    out.clear();
    // Only rows near the focus can be on show: the others are not read (the ring holds 10 000).
    const int focus = std::max(PanelListFocus(), 0);
    for (int row = 0; row < records(); ++row) {
        APPRECORD r;
        const int p = position_of_row(row);
        if (row < focus - 8 || row > focus + 8 || ReadRecord(p, &r) != 0) {
            out.push_back(std::to_string(p));
            continue;
        }
        int y, mo, d, h, mi;
        UnpackRecordTime(r.dwSpliceTime, &y, &mo, &d, &h, &mi);
        char when[32];
        std::snprintf(when, sizeof when, "\t\t%04d-%02d-%02d\t%02d:%02d", y, mo, d, h, mi);
        out.push_back(std::to_string(p) + "   " + PanelVerbatim(note_of(r)) + when);
    }
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_EDIT)};
}

uint32_t press(int)
{
    const int row = PanelListFocus();
    APPRECORD r;
    if (row < 0 || ReadRecord(position_of_row(row), &r) != 0) {
        g.message = PanelTextOf(TXT_NO_RECORDS);
        PanelRefresh();
        return 0;
    }
    draft = {true, row, TransRecordIndex(position_of_row(row)), r.dwSpliceNumber, r.dwSpliceTime};
    return InfoTextEditOpen(frmStorEdit, {PanelTextOf(TXT_REC_NOTES), note_of(r), kNoteMax, false});
}

const PANELDEF kPanel = {
    .ppWnd = &frmStorEdit,
    .title = "Edit Notes",
    .hint = "\x01"
            "2074",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 130,
};
} // namespace

std::string StorEditMessage()
{
    return PanelPlainText(g.message);
}

PANEL_FORM(frmStorEdit, kPanel)
