// The reporting messages: their bodies, the new-record uploads with their marks, and the binding
// exchange with the operator's answer.
#include <atomic>
#include <cstdio>
#include <cstring>

#include "net/machine_serial.h"
#include "net/report.h"
#include "net/wifi.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "records/record.h"
#include "records/recordstore.h"

namespace
{

std::atomic<int> g_bindState{-1};
std::atomic<int> g_bindRequest{0};
std::atomic<int> g_bindAnswer{0};

// The oldest new record, read under the store's lock. False when there is none.
bool oldest_new(int* slot, APPRECORD* rec)
{
    LockRecord();
    int pos = 0;
    bool found = GetNewRecord(&pos) == 0;
    if (found) {
        *slot = TransRecordIndex(pos);
        found = ReadRecord(pos, rec) == 0;
    }
    UnlockRecord();
    return found;
}

// Clears the new mark of `slot` once acknowledged, unless the slot has meanwhile been reused
// for another record (a full ring wraps while a message is on its way).
void mark_sent(int slot, const APPRECORD& sent)
{
    LockRecord();
    int count = 0;
    GetCount_Record(&count);
    for (int pos = 1; pos <= count; ++pos) {
        if (TransRecordIndex(pos) != slot) continue;
        APPRECORD now{};
        if (ReadRecord(pos, &now) == 0 && std::memcmp(&now, &sent, sizeof now) == 0) MarkRecordSlot(slot);
        break;
    }
    UnlockRecord();
}

// Binding byte of the machine table, saved only when it changes.
void set_bind_byte(uint8_t value)
{
    MachineParameter m{};
    if (GetTable_MachinePar(&m) != 0 || m.bServerBind == value) return;
    m.bServerBind = value;
    SetTable_MachineParEx(&m);
}

const char* failure_text(int type)
{
    switch (type) {
    case REPORT_HEARTBEAT:
        return "error:failed to send heartbeat";
    case REPORT_SERIAL:
        return "error:failed to send machine's serial";
    case REPORT_VERSION:
        return "error:failed to send application's version";
    case REPORT_ELECTRODES:
        return "error:failed to send electrod information";
    case REPORT_STATISTICS:
        return "error:failed to send splice information";
    case REPORT_IMAGES:
        return "error:failed to send splice image";
    case REPORT_PDF:
        return "error:failed to send splice pdf";
    case REPORT_RECORD:
        return "error:failed to send splice record";
    default:
        return "";
    }
}

} // namespace

std::string report_common_fields()
{
    MachineParameter m{};
    if (GetTable_MachinePar(&m) != 0) return "";
    char buf[64];
    std::snprintf(buf, sizeof buf, "Project=%s&MacSerial=%s", REPORT_PROJECT, MachineSerialDigits(m).c_str());
    return buf;
}

std::string report_body(int type, int curArcs, int totArcs, int splices, double avgLoss)
{
    std::string common = report_common_fields();
    if (common.empty()) return "";
    char buf[160];
    switch (type) {
    case REPORT_HEARTBEAT:
        std::snprintf(buf, sizeof buf, "HeartBeat=1&%s", common.c_str());
        break;
    case REPORT_SERIAL:
        std::snprintf(buf, sizeof buf, "%s", common.c_str());
        break;
    case REPORT_VERSION:
        std::snprintf(buf, sizeof buf, "AppVer=%s&%s", REPORT_APP_VERSION, common.c_str());
        break;
    case REPORT_ELECTRODES:
        std::snprintf(buf, sizeof buf, "ElecInfo=1&CurArcs=%d&TotArcs=%d&%s", curArcs, totArcs,
                      common.c_str());
        break;
    case REPORT_STATISTICS:
        std::snprintf(buf, sizeof buf, "SplcInfo=1&CurSplcs=%d&CurAvgLoss=%.2f&%s", splices, avgLoss,
                      common.c_str());
        break;
    default:
        return "";
    }
    return buf;
}

std::string report_record_body(const APPRECORD& r)
{
    std::string common = report_common_fields();
    if (common.empty()) return "";
    int y, mo, d, h, mi;
    UnpackRecordTime(r.dwSpliceTime, &y, &mo, &d, &h, &mi);
    std::string mode(r.ModeName, strnlen(r.ModeName, sizeof r.ModeName));
    std::string place(r.bSplicePlace, strnlen(r.bSplicePlace, sizeof r.bSplicePlace));
    char buf[512];
    std::snprintf(
        buf, sizeof buf,
        "SplcData=1&SplcTime=%d-%02d-%02d %02d:%02d&SplcMode=%s&LossVal=%.2f&CoreAngle=%.1f&"
        "LeftAngle=%.1f&RightAngle=%.1f&CoreOffset=%.1f&LossLimit=%.2f&CleaveLimit=%.1f&Place=%s&%s",
        y, mo, d, h, mi, report_escape(mode).c_str(), r.bLossValue * 0.01, r.bCoreAngle * 0.1,
        r.bLeftAngle * 0.1, r.bRightAngle * 0.1, r.bCoreOff * 0.1, r.bLossLimit * 0.01, r.bCleaveLimit * 0.1,
        report_escape(place).c_str(), common.c_str());
    return buf;
}

int send_data_to_server(int type, REPLYBUF* reply, CURL* curl)
{
    if (type == REPORT_BINDING) return report_binding_step(reply, curl);
    if (type < REPORT_HEARTBEAT || type > REPORT_RECORD) {
        std::printf("error:invalid data type\n");
        return 1;
    }
    int ret = 0;
    if (type <= REPORT_STATISTICS) {
        TABLEUSERINFO u{};
        if (type >= REPORT_ELECTRODES && GetTable_UserInfo(&u) != 0) {
            ret = 1;
        } else {
            std::string body =
                report_body(type, int(u.dwCurArcCount), int(u.dwTotalArcCount), int(u.dwSpliceCount),
                            type == REPORT_STATISTICS ? GetCurrAveLoss() : 0);
            ret = body.empty() ? 1 : send_to_server_with_ack(body, reply, curl);
        }
    } else {
        int slot = 0;
        APPRECORD rec{};
        // Nothing new: the step succeeds without a transfer.
        if (!oldest_new(&slot, &rec)) return 0;
        if (type == REPORT_IMAGES) {
            if (!GetSpliceImgSaveTag(slot)) return 0;
            ret = send_file_to_server(RecordImagePath("X", slot).c_str(), "FbrImg", reply, curl);
            if (ret == 0)
                ret = send_file_to_server(RecordImagePath("Y", slot).c_str(), "FbrImg", reply, curl);
        } else if (type == REPORT_PDF) {
            ret = send_file_to_server(RecordPdfPath(slot).c_str(), "SplcPdf", reply, curl);
        } else {
            std::string body = report_record_body(rec);
            ret = body.empty() ? 1 : send_to_server_with_ack(body, reply, curl);
            if (ret == 0) mark_sent(slot, rec);
        }
    }
    if (ret != 0) std::printf("%s\n", failure_text(type));
    plat_sleep_ms(1000);
    return ret;
}

int report_binding_step(const REPLYBUF* lastReply, CURL* curl)
{
    auto value = lastReply ? report_field(lastReply->text, "Bind") : std::nullopt;
    if (!value) return 0;
    if (*value == "Ignore") {
        g_bindState = 2;
        set_bind_byte(0);
        return 0;
    }
    if (*value == "Ready") {
        g_bindState = 1;
        set_bind_byte(1);
        return 0;
    }
    if (*value != "Request") {
        std::printf("error:invalid bind value from server\n");
        return 1;
    }
    g_bindState = 0;
    g_bindRequest = 1;
    int answer = 0;
    while ((answer = g_bindAnswer.load()) == 0)
        if (!plat_sleep_ms(1000)) return 1;
    g_bindRequest = 0;
    // Each request takes its own answer: a later request asks the operator again.
    g_bindAnswer = 0;
    std::string common = report_common_fields();
    std::string body = std::string(answer == 1 ? "Bind=Accept" : "Bind=Refuse") + "&" + common;
    REPLYBUF reply;
    bool sent = !common.empty() && send_to_server_with_ack(body, &reply, curl) == 0;
    std::printf("bind answer %s %s\n", answer == 1 ? "accept" : "refuse", sent ? "sent" : "failed");
    return sent && answer == 1 ? 0 : 1;
}

int GetServerBindState()
{
    return g_bindState;
}

int GetServerBindRequest()
{
    return g_bindRequest;
}

void SetServerBindAnswer(int answer)
{
    g_bindAnswer = answer == 1 ? 1 : 2;
}
