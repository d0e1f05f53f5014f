// Clearing records: the record file first (all or nothing), then the files of the freed slots.
#include "records/recordclear.h"

#include <vector>

#include "records/record.h"
#include "records/recordstore.h"

int ClearRecords(int first, int count)
{
    RecordGuard g;
    std::vector<int> slots;
    for (int p = first; p < first + count; ++p)
        slots.push_back(TransRecordIndex(p));
    if (EraseRecord(first, count) != 0) return -1;
    for (int slot : slots) {
        RecordRemoveFile(RecordPdfPath(slot));
        RecordRemoveFile(RecordImagePath("X", slot));
        RecordRemoveFile(RecordImagePath("Y", slot));
    }
    return 0;
}

int ClearAllRecords()
{
    RecordGuard g;
    int n = 0;
    if (GetCount_Record(&n) != 0) return -1;
    return n == 0 ? 0 : ClearRecords(1, n);
}
