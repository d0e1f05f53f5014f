// The location service's object: the 4G/GPS module's last reported values, the port, the locks,
// the answer paths of commands and splice messages, and the resend queue's indices.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "net/atlines.h"
#include "net/resend.h"
#include "platform/seam.h"
#include "platform/sync.h"

// Values the module reported last (guarded by LocationBaseService::stateMtx).
struct MODULE_4G {
    int SIM = 0;         // SIM card present (1)
    int GPS = 0;         // GPS state of the last signal report
    int signalLevel = 0; // 0..4 from CSQ
    int online4G = 0;    // 1 while the 4G network is up
    float longitude = 0, latitude = 0;
    float gpgsvLongitude = 0, gpgsvLatitude = 0;
    int satelliteNum = 0;
    int snr[4] = {};
    char usedApn[64] = {};
    char usedOperator[64] = {};
    char userId[64] = {};
    char userName[64] = {};
    char country[64] = {};
    char company[128] = {};
    char IMEI[16] = {};
    char mcuVersion[11] = {};
};

// Longest bind request kept; longer ones are refused.
constexpr size_t BIND_REQUEST_MAX = 1024;

struct LocationBaseService {
    std::atomic<int> fd{-1};
    uint32_t machineWord20 = 0;
    std::atomic<int> serviceOn{0};

    PlatMutex portMtx;  // every command written
    PlatMutex stateMtx; // module, bind request
    MODULE_4G module4G;

    // Command answers ("AT+APN=", "AT+CHANGE_USER="): result and the waiter's semaphore.
    std::atomic<int> cmdRet{1};
    PlatSemaphore cmdSem;
    // Splice message answers ("AT+SYSTEM="): one post per answer, ack or refusal.
    PlatSemaphore sysSem;
    std::atomic<int> sysAck{0};

    std::atomic<int> userInfoOK{0}; // a user information report came
    bool bindFlag = false;
    std::string bindRequest; // as received, kept for the answer

    ResendQueue queue;
    LineAccumulator lines;

    // Sets the clock chip and the system time from a checked local time (tests replace it).
    int (*setClock)(const struct tm& t) = nullptr;

    std::atomic<bool> signalCycle{false};
    std::atomic<bool> updateRunning{false}; // a software update holds the module
    plat_thread_t reader = 0, resender = 0, cycle = 0;
};

// Inside the service: one command line written whole under the port mutex (CR appended).
int locationBaseServiceSendLine(std::string_view cmd);
// Reads "/mnt/gpsStore.json" into the position: 0, or -1 when missing or damaged.
int LoadStoredPosition();
