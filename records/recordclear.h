// Clearing stored records together with their images and reports.
#pragma once

// Erases the records at positions first .. first + count - 1 and then the files of their slots.
// The erase is one journaled change of the record file; files left by a cut in between belong to
// free slots and go when a slot is used again. 0, or -1 when nothing was erased.
int ClearRecords(int first, int count);
// Every record.
int ClearAllRecords();
