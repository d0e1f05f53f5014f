// The splice log on the USB stick: at pause 1, pause 2 and completion a splice appends a text
// snapshot of the fibre measurements, the splice information, the splice options and the factory
// system table to "/media/<serial>/<number>.txt", for service engineers.
#pragma once

#include "fiber/fiberstruct.h"
#include "params/param_tables.h"
#include "records/record.h"
#include "splice/spliceinfo.h"

enum SpliceLogStage { SPLICE_LOG_PAUSE_ONE = 0, SPLICE_LOG_PAUSE_TWO = 1, SPLICE_LOG_COMPLETE = 2 };

// One log step of splice `spliceNum`. 0 when everything was written; -1 when the file could not
// be opened (no stick: the splice goes on) or a write failed. The stick is unmounted again.
int printSliceInfoToStorage(int stage, int spliceNum);

// Opens the log file of a splice: target 1 the USB stick (mounted here, under a directory named by
// the machine serial number), 0 the flash ("/mnt"). The descriptor, or -1 with nothing left
// mounted.
int openSpliceInfoFile(int target, int spliceNum, int flags);

// The directory of the logs on the stick: "/media/%3x%8x" from the machine table's serial number.
int SpliceLogDirectory(char* buf, size_t size);

// The sections. Each writes to an open file and returns 0, or -1 ("<name>() para ERR") when the
// record is missing or the file is not open, or when the write failed.
int printPrefix(const int* stage, int fd); // the stage's heading
int printCurrentFiberStruct(const APPFIBER* fiber, int fd);
int printCurrentFiberGraph(const APPFIBER_GRAPH* graph, int fd, const char* name);
int printCurrentFiberOtherStruct(const APPFIBER* fiber, int fd);
int printCurrentSpliceInfoStruct(const SPLICE_INFORMATION* info, int fd);
int printAPPTABLE_OPTION(const APPTABLE_OPTION* option, int fd);
int printTABLEFACTORYSYS(const TABLEFACTORYSYS* factory, int fd);
int printAPPSPLICE(const APPSPLICE* mode, int fd);
int printAPPRECORD(const APPRECORD* record, int fd);
int printAPPARC(const APPARC* arc, int fd, const char* name);
