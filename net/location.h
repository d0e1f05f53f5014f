// The location service over the 4G/GPS module: its operations for the screens and the splice
// process, and its start and release.
#pragma once

#include <cstddef>
#include <string_view>

struct LocationBaseService;

// APN settings kept in "/mnt/4GSetting.json".
struct APN_SETTING {
    char apn[64];
    char operator_[64];
    char user_name[64];
    char password[64];
};

// Opens the port, reads the queue, starts the threads and arms the start-up sequence: 0 or -1.
int locationBaseServiceInit();
// Starts the service and sends the module its on/off command (machine table byte 115).
int initLocationBaseService();
// Stops the threads, then closes the port.
int locationBaseServiceRelease();
// The service object (for tests and the screens' getters); never null.
LocationBaseService* locationBaseServiceObject();

int locationBaseServiceSendOnOff(int on);
int locationBaseServiceSetOnOff(int on);
int locationBaseServiceSendMachine();
int locationBaseServiceSendSysBoot();
int locationBaseServiceSendRestoreNetwork();
int locationBaseServiceSendMachnieSN();
int locationBaseServiceSendSplicePara(std::string_view message);
int locationBaseServiceSend4GSettingPara();
int locationBaseServiceSendArmPowerStatus(int on);
int locationBaseServiceSendGpsOnOff(int on);
int locationBaseServiceSendQueryIMEI();
int locationBaseServiceSendQuerySignal();
int locationBaseServiceSendQueryMCUVersion();
int locationBaseServiceSendQueryGPGSV();
int locationBaseServiceSendQueryCalendar();
int locationBaseServiceSendQueryAPN();
int locationBaseServiceSendQueryUserInfo();
int locationBaseServiceSendChangeUserInfo(const char* userId, const char* password);
int locationBaseServiceSendBindResponse(int accept);
int locationBaseServiceSendSystemInfo();

int locationBaseServiceSave4GSettingParaToJson(const APN_SETTING* set);
int locationBaseServiceGet4GSettingParaFromJson(APN_SETTING* set);
// Waits for the answer to the last command (8 s at most): 0 acknowledged, non-zero otherwise.
int locationBaseServiceWaitCmdRet();
int locationBaseServiceSignalCycleOnOff(int on);
// Queues a splice message for the resend thread: 0 once it is stored.
int locationBaseServiceAppendSplicePara(std::string_view message);
int locationBaseServiceQueryBindRequest();
int locationBaseServiceResetBindRequest();
int locationBaseServiceGetErrCode();
int locationBaseServiceGetUserInfoIfGetOK();
int locationBaseServiceSetUserInfoIfGetOK(int ok);
// A software update holds the module: the resend thread sends nothing meanwhile.
void locationBaseServiceSetUpdateRunning(int running);

int locationBaseServiceGetSIM();
int locationBaseServiceGetGPS();
int locationBaseServiceGetSignalLevel();
int locationBaseServiceGet4G();
float locationBaseServiceGetLongitude();
float locationBaseServiceGetLatitude();
float locationBaseServiceGetGPGSVLongitude();
float locationBaseServiceGetGPGSVLatitude();
int locationBaseServiceGetSatelliteNum();
int locationBaseServiceGetSNR(int i);
// String getters copy at most size - 1 characters: 0; 1 without a buffer (-1 for IMEI, MCU version).
int locationBaseServiceGetAPN(char* buf, size_t size);
int locationBaseServiceGetOperator(char* buf, size_t size);
int locationBaseServiceGetUserId(char* buf, size_t size);
int locationBaseServiceGetUserName(char* buf, size_t size);
int locationBaseServiceGetCountry(char* buf, size_t size);
int locationBaseServiceGetCompany(char* buf, size_t size);
int locationBaseServiceGetIMEI(char* buf, size_t size);
int locationBaseServiceGetMCUVersion(char* buf, size_t size);

// The table the screens reach the service through.
struct LocationBaseServiceHandler {
    int (*SendOnOff)(int);
    int (*SendGpsOnOff)(int);
    int (*Send4GSettingPara)();
    int (*SendQueryUserInfo)();
    int (*SendChangeUserInfo)(const char*, const char*);
    int (*SendBindResponse)(int);
    int (*WaitCmdRet)();
    int (*AppendSplicePara)(std::string_view);
    int (*QueryBindRequest)();
    int (*ResetBindRequest)();
};
extern const LocationBaseServiceHandler locationBaseServiceHandler;
