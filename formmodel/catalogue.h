// The catalogue of forms: every screen of the unit, its window style (0 factory, 1 user) and
// what it is for. Root menu and workbench come first: they are built first.
#pragma once

#define FORM_CATALOGUE(X) FORM_CATALOGUE_MAIN(X) FORM_CATALOGUE_OTHERS(X)

#define FORM_CATALOGUE_MAIN(X)                                                                               \
    X(frmRootmenu, 1, "root menu")                                                                           \
    X(frmWorkbench, 1, "splice screen")

#define FORM_CATALOGUE_OTHERS(X)                                                                             \
    X(frmMaintain, 1, "maintenance menu")                                                                    \
    X(frmMaintRepair, 1, "repair screen (workbench layout)")                                                 \
    X(frmMaintAutoAdjust, 1, "automatic adjustment")                                                         \
    X(frmMaintReplace, 1, "electrode replacement")                                                           \
    X(frmMaintStabilize, 1, "electrode stabilisation (repeated arcs)")                                       \
    X(frmAutoMaintenance, 1, "automatic maintenance")                                                        \
    X(frmMaintBrightness, 1, "lamp brightness calibration")                                                  \
    X(frmMaintDust, 1, "dust check of the optics")                                                           \
    X(frmMaintDustStart, 1, "dust check run at power-on")                                                    \
    X(frmMaintMotor, 1, "motor calibration")                                                                 \
    X(frmMaintArc, 1, "arc calibration")                                                                     \
    X(frmMaintElectrode, 1, "electrode arc counter and reset")                                               \
    X(frmMaintMotorDriver, 1, "manual motor drive")                                                          \
    X(frmMaintUpdate, 1, "software update")                                                                  \
    X(frmMaintEnduredArc, 1, "endurance arc after electrode replacement")                                    \
    X(frmMaintDiagnostic, 1, "diagnostic test")                                                              \
    X(frmMenuLock, 1, "menu lock switches (on/off per menu)")                                                \
    X(frmSplice, 1, "splice mode menu")                                                                      \
    X(frmSplcSelect, 1, "select splice mode")                                                                \
    X(frmSplcEdit, 1, "choose splice mode to edit")                                                          \
    X(frmSplcDelete, 1, "delete splice mode")                                                                \
    X(frmSplcEditProp, 1, "edit splice mode parameters")                                                     \
    X(frmSplcSelectTemp, 1, "choose a template for a new splice mode")                                       \
    X(frmOption, 1, "splice options menu")                                                                   \
    X(frmOptIgnore, 1, "options: checks that may be ignored")                                                \
    X(frmOptIgnore1, 1, "options: further ignore settings")                                                  \
    X(frmOptImage, 1, "options: image display and saving")                                                   \
    X(frmHeater, 1, "heater mode menu")                                                                      \
    X(frmHeatSelect, 1, "select heater mode")                                                                \
    X(frmHeatEdit, 1, "choose heater mode to edit")                                                          \
    X(frmHeatDelete, 1, "delete heater mode")                                                                \
    X(frmHeatEditProp, 1, "edit heater mode parameters")                                                     \
    X(frmHeatSelectTemp, 1, "choose a template for a new heater mode")                                       \
    X(frmInfoTextEdit, 1, "on-screen keyboard for text fields")                                              \
    X(frmSystem, 1, "settings menu")                                                                         \
    X(frmSysLanguage, 1, "language selection")                                                               \
    X(frmSysPower, 1, "power saving settings (LCD-off and power-off delays)")                                \
    X(frmSysCalendar, 1, "date and time setting")                                                            \
    X(frmSysPassword, 1, "password entry and change (power-on, menu lock, storage format)")                  \
    X(frmSysFormat, 1, "formatting of the record storage")                                                   \
    X(frmSysWifi, 1, "WiFi networks and connection")                                                         \
    X(frmSysBind, 1, "binding the unit to a server account")                                                 \
    X(frmSys4GBind, 1, "binding over the 4G module")                                                         \
    X(frmSysAPP, 1, "download images of the mobile application (\"Android:\", \"IOS:\")")                    \
    X(frmSystem4GSetting, 1, "4G module settings")                                                           \
    X(frmHelpGuid, 1, "help guide menu")                                                                     \
    X(frmInformation, 1, "unit information (versions, counters)")                                            \
    X(frmStorage, 1, "splice record menu")                                                                   \
    X(frmStorDisplay, 1, "show splice records and images")                                                   \
    X(frmStorEdit, 1, "edit record notes")                                                                   \
    X(frmStorClear, 1, "clear splice records")                                                               \
    X(frmUserFunction, 1, "user guide: functions menu")                                                      \
    X(frmUserPowerSupply, 1, "user guide: power supply")                                                     \
    X(frmUserMaintainMenu, 1, "user guide: maintenance menu")                                                \
    X(frmUserSetupMenu, 1, "user guide: setup menu")                                                         \
    X(frmUserDailyMaintain, 1, "user guide: daily maintenance")                                              \
    X(frmUserSpliceProcess, 1, "user guide: splice process")                                                 \
    X(frmUserSpliceHowto, 1, "user guide: how to splice")                                                    \
    X(frmUserSpliceCheck, 1, "user guide: checking a splice")                                                \
    X(frmUserSpliceExec, 1, "user guide: executing a splice")                                                \
    X(frmUserSpliceProtect, 1, "user guide: protecting the splice")                                          \
    X(frmUserFuncOverview, 1, "user guide: overview")                                                        \
    X(frmUserFuncMode, 1, "user guide: modes")                                                               \
    X(frmUserFuncConnector, 1, "user guide: connectors")                                                     \
    X(frmUserFuncCommunication, 1, "user guide: communication")                                              \
    X(frmUserFuncContact, 1, "user guide: contact")                                                          \
    X(frmUserFuncVideo, 1, "user guide: video")                                                              \
    X(frmUserSpliceTools, 1, "user guide: tools")                                                            \
    X(frmUserSplicePretreatment, 1, "user guide: fibre preparation")                                         \
    X(frmUserInfoChange, 1, "edit user information")                                                         \
    X(frmUserInfoShow, 1, "show user information")                                                           \
    X(frmGpsSwitch, 1, "GPS on/off")                                                                         \
    X(frmFactory, 0, "factory menu")                                                                         \
    X(frmFactTest, 0, "factory test menu")                                                                   \
    X(frmFactTestAll, 1, "complete factory test")                                                            \
    X(frmFactTestPress, 1, "press motor test")                                                               \
    X(frmFactTestAlign, 1, "alignment test")                                                                 \
    X(frmFactTestMirror, 1, "mirror position (\"Mirror Position\")")                                         \
    X(frmFactTestMotor, 1, "motor test")                                                                     \
    X(frmFactTestCali, 1, "calibration test")                                                                \
    X(frmFactTestFiber, 1, "fibre test")                                                                     \
    X(frmFactTestRound, 1, "camera angle test (\"Camera Angle\")")                                           \
    X(frmFactTestArc, 1, "arc test")                                                                         \
    X(frmFactTestWave, 1, "brightness profile display (\"Brightness Wave\")")                                \
    X(frmFactTestKeypad, 0, "keypad test")                                                                   \
    X(frmFactElectrode, 0, "electrode settings")                                                             \
    X(frmFactGraphics, 0, "camera and image settings")                                                       \
    X(frmFactHeater, 0, "heater calibration")                                                                \
    X(frmFactLed, 0, "LED settings")                                                                         \
    X(frmFactMotor, 0, "motor parameters")                                                                   \
    X(frmFactSensor, 0, "sensor readings")                                                                   \
    X(frmFactSplice, 0, "factory splice parameters")                                                         \
    X(frmFactRestore, 0, "restore factory parameters")                                                       \
    X(frmFactArc, 0, "arc parameters")                                                                       \
    X(frmFactArcCompensation, 1, "arc compensation")                                                         \
    X(frmFactSpliceTest, 1, "splice test with statistics")                                                   \
    X(frmFactCount, 0, "counters")                                                                           \
    X(frmFactOther, 0, "other factory functions")                                                            \
    X(frmFactOtherCamera, 1, "camera test")                                                                  \
    X(frmFactOtherEndurance, 1, "endurance run")                                                             \
    X(frmFactOtherNoise, 1, "noise test")                                                                    \
    X(frmFactOtherMotorCorrect, 1, "motor correction")                                                       \
    X(frmFactSerial, 0, "machine identity fields (\"Factory Menu / Set Serial Number\")")                    \
    X(frmFactGpsInformation, 0, "GPS information")
