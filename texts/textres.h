// Languages and text resources: the language table, switching the language glyphs, and reading
// a text by number from the current language's files.
#pragma once

#include <cstdint>

#include "gui/text.h"

// Language numbers.
constexpr int LANG_ENGLISH = 0;
constexpr int LANG_CHINESE_SIMPLIFIED = 1;
constexpr int LANG_CHINESE_TRADITIONAL = 2;
constexpr int LANG_KOREAN = 3;
constexpr int LANG_JAPANESE = 4;
constexpr int LANG_SPANISH = 5;
constexpr int LANG_RUSSIAN = 6;
constexpr int LANG_THAI = 7;
constexpr int LANG_GERMAN = 8;
constexpr int LANG_FRENCH = 9;
constexpr int LANG_ITALIAN = 10;
constexpr int LANG_ARABIC = 11;
constexpr int LANG_PORTUGUESE = 12;
constexpr int LANG_HINDI = 13;
constexpr int LANG_TURKISH = 14;
constexpr int LANG_VIETNAMESE = 15;
constexpr int LANG_PERSIAN = 27;

// The language table, searched in row order: LangType[row] is the language number of the row,
// LangPath[row] the file name in the four glyph directories.
constexpr int LANG_TABLE_ROWS = 36;
extern const int LangType[LANG_TABLE_ROWS];
extern const char* const LangPath[LANG_TABLE_ROWS];

// File name of a language, or null when it is not in the table.
const char* GetLanguageFileName(int language);
// Instrument path of a language's file for a size (15, else 19) and weight (1 normal, else
// bold) into buf; false when the language is not in the table or buf is too small.
bool GetLanguageFilePath(char* buf, int size, int language, int textSize, int weight);
// True when all four files of the language are present and valid (only such languages are
// offered on the language form).
bool LanguageAvailable(int language);

// Loads the four glyph matrices of a language and makes it current: 0, or 1 when a file is
// missing or invalid or the language is not in the table (the previous glyphs and gaps stay;
// when no language was loaded yet, English is loaded instead).
int SyncLanguageChange(int language);
// The language whose glyphs are loaded (the last successful switch; 0 before any).
int GetCurrentLanguage();

// Text number `number` of a language as a new string object of that size (15 or 19) and weight
// (1 normal, 2 bold), or 0 (language not in the table, file missing or invalid, number beyond
// the index or without a text in this language, text beyond the file, or a text with language
// glyphs of a language other than the loaded one). The caller deletes it with
// DeleteStringDirect.
GUISTRING* GetTextResource(uint32_t number, int size, int weight, int language);
// The same in the current language.
GUISTRING* GetText(uint32_t number, int size = 15, int weight = 1);

// Text numbers shared by the whole program (the same number is the same text in every language).
// Error messages use the error code itself as the text number (219..271, 522..530, 768..773).
enum : uint32_t {
    TXT_UPDATE_SUCCEEDED = 11,
    TXT_UPDATE_FAILED = 12,
    TXT_STATUS_FINISHED = 19, // splice status 6 (complete) and 7 (estimate)
    TXT_SPLICE = 28,          // workbench title row
    TXT_SPLICE_MODE = 29,     // root menu tile
    TXT_STATUS_TENSION = 42,  // splice status 8 (pull)
    TXT_HEAT = 74,            // workbench title row
    TXT_HEATER_MODE = 75,     // root menu tile
    TXT_STATUS_PAUSE1 = 89,
    TXT_STATUS_PAUSE2 = 90,
    TXT_STATUS_GAP = 105,
    TXT_STATUS_ALIGN = 107,
    TXT_STATUS_ARC = 109,
    TXT_SETTINGS = 132,    // root menu tile
    TXT_MAINTENANCE = 166, // root menu tile
    TXT_WORKBENCH = 294,   // root menu tile
    TXT_UPDATING = 435,
    TXT_HELP = 496, // root menu tile

    // Form titles.
    TXT_TITLE_REPAIR = 600,
    TXT_TITLE_AUTO_ADJUST,
    TXT_TITLE_ELECTRODE_REPLACE,
    TXT_TITLE_ELECTRODE_STABILIZE,
    TXT_TITLE_AUTO_MAINTENANCE,
    TXT_TITLE_BRIGHTNESS_CAL,
    TXT_TITLE_DUST_CHECK,
    TXT_TITLE_MOTOR_CAL,
    TXT_TITLE_ARC_CAL,
    TXT_TITLE_ELECTRODE_COUNT,
    TXT_TITLE_MOTOR_DRIVE, // 610
    TXT_TITLE_SOFTWARE_UPDATE,
    TXT_TITLE_ENDURANCE_ARC,
    TXT_TITLE_DIAGNOSTIC,
    TXT_TITLE_MENU_LOCK,
    TXT_TITLE_SELECT_SPLICE_MODE,
    TXT_TITLE_EDIT_SPLICE_MODE,
    TXT_TITLE_DELETE_SPLICE_MODE,
    TXT_TITLE_SPLICE_MODE_PARAMS,
    TXT_TITLE_SPLICE_MODE_TEMPLATE,
    TXT_TITLE_SPLICE_OPTIONS, // 620
    TXT_TITLE_IGNORE_CHECKS,
    TXT_TITLE_IGNORE_MORE,
    TXT_TITLE_IMAGE_OPTIONS,
    TXT_TITLE_SELECT_HEATER_MODE,
    TXT_TITLE_EDIT_HEATER_MODE,
    TXT_TITLE_DELETE_HEATER_MODE,
    TXT_TITLE_HEATER_MODE_PARAMS,
    TXT_TITLE_HEATER_MODE_TEMPLATE,
    TXT_TITLE_TEXT_INPUT,
    TXT_TITLE_LANGUAGE, // 630
    TXT_TITLE_POWER_SAVING,
    TXT_TITLE_DATE_TIME,
    TXT_TITLE_PASSWORD,
    TXT_TITLE_FORMAT_STORAGE,
    TXT_TITLE_WIFI,
    TXT_TITLE_SERVER_BIND,
    TXT_TITLE_4G_BIND,
    TXT_TITLE_MOBILE_APP,
    TXT_TITLE_4G_SETTINGS,
    TXT_TITLE_INFORMATION, // 640
    TXT_TITLE_SPLICE_RECORDS,
    TXT_TITLE_SHOW_RECORDS,
    TXT_TITLE_EDIT_NOTES,
    TXT_TITLE_CLEAR_RECORDS,
    TXT_TITLE_USER_GUIDE,
    TXT_TITLE_POWER_SUPPLY,
    TXT_TITLE_GUIDE_MAINTENANCE,
    TXT_TITLE_GUIDE_SETUP,
    TXT_TITLE_DAILY_MAINTENANCE,
    TXT_TITLE_SPLICE_PROCESS, // 650
    TXT_TITLE_HOW_TO_SPLICE,
    TXT_TITLE_CHECK_SPLICE,
    TXT_TITLE_RUN_SPLICE,
    TXT_TITLE_PROTECT_SPLICE,
    TXT_TITLE_OVERVIEW,
    TXT_TITLE_MODES,
    TXT_TITLE_CONNECTORS,
    TXT_TITLE_COMMUNICATION,
    TXT_TITLE_CONTACT,
    TXT_TITLE_VIDEO, // 660
    TXT_TITLE_TOOLS,
    TXT_TITLE_FIBER_PREPARATION,
    TXT_TITLE_EDIT_USER_INFO,
    TXT_TITLE_USER_INFO,
    TXT_TITLE_GPS,
    TXT_TITLE_FACTORY_MENU,

    // Common words and messages.
    TXT_OK = 700,
    TXT_CANCEL,
    TXT_YES,
    TXT_NO,
    TXT_ON,
    TXT_OFF,
    TXT_BACK,
    TXT_SAVE,
    TXT_DELETE,
    TXT_EDIT,
    TXT_SELECT, // 710
    TXT_NOT_AVAILABLE,
    TXT_ERROR,
    TXT_PLEASE_WAIT,
    TXT_DONE,
    TXT_FAILED,
    TXT_START,
    TXT_STOP,
    TXT_RESET,
    TXT_CONFIRM_PROMPT,
    TXT_NEVER, // 720
    TXT_MINUTES,
    TXT_SECONDS,
    TXT_TEMPERATURE,
    TXT_PRESSURE,
    TXT_BATTERY,
    TXT_ARC_COUNT,
    TXT_VERSION,
    TXT_SERIAL_NUMBER,
    TXT_SPLICE_COUNT,
    TXT_LCD_OFF_DELAY, // 730
    TXT_POWER_OFF_DELAY,
    TXT_BRIGHTNESS,
    TXT_LANGUAGE_CHANGING,

    // Units and value words of the mode editors.
    TXT_UNIT_LOSS = 740, // "dB"
    TXT_UNIT_PERCENT,    // "%"
    TXT_UNIT_ANGLE,      // degree sign
    TXT_UNIT_DISTANCE,   // "um"
    TXT_UNIT_TIME,       // "ms"
    TXT_MANUAL,
    TXT_CORE,
    TXT_CLAD,
    TXT_STANDARD, // arc power 100

    // Item labels of the splice and heater mode editors.
    TXT_ITEM_TEMPLATE = 750,
    TXT_ITEM_NAME,
    TXT_ITEM_NOTE,
    TXT_ITEM_TARGET_LOSS,
    TXT_ITEM_ALIGN_TYPE,
    TXT_ITEM_LEFT_FOCUS,
    TXT_ITEM_RIGHT_FOCUS,
    TXT_ITEM_LEFT_MFD,
    TXT_ITEM_RIGHT_MFD,
    TXT_ITEM_ARC_ADJUST,
    TXT_ITEM_PULL_TEST, // 760
    TXT_ITEM_LOSS_ESTIMATE,
    TXT_ITEM_LOSS_MIN,
    TXT_ITEM_LOSS_LIMIT,
    TXT_ITEM_CORE_LIMIT,
    TXT_ITEM_CLEAVE_LIMIT,
    TXT_ITEM_KERF_OFFSET,
    TXT_ITEM_KERF_GAP,
    // 768..773 are error messages.
    TXT_ITEM_KERF_OVERLAP = 774,
    TXT_ITEM_CLEAN_POWER,
    TXT_ITEM_CLEAN_TIME,
    TXT_ITEM_PREFUSE_POWER,
    TXT_ITEM_PREFUSE_TIME,
    TXT_ITEM_FUSE_POWER,
    TXT_ITEM_FUSE_TIME, // 780
    TXT_ITEM_TAPER_POWER,
    TXT_ITEM_TAPER_TIME,
    TXT_ITEM_SECOND_POWER,
    TXT_ITEM_SECOND_TIME,
    TXT_ITEM_REPEAT_POWER,
    TXT_ITEM_REPEAT_TIME,
    TXT_ITEM_FUSE_EXPOSURE,
    TXT_ITEM_FUSE_SPEED,
    TXT_ITEM_TAPER_SPEED,
    TXT_ITEM_TAPER_ENABLE, // 790
    TXT_ITEM_TAPER_WAIT,
    TXT_ITEM_TAPER_LENGTH,
    TXT_ITEM_SECOND_ON,
    TXT_ITEM_SECOND_OFF,
    TXT_ITEM_CORE_SHIFT,
    TXT_ITEM_HEATER_CONTROL,
    TXT_ITEM_HEAT_TEMP,
    TXT_ITEM_HEAT_TIME,
    TXT_ITEM_PREHEAT_TEMP,
    // 800.. are language names.
    TXT_ITEM_COOLING_TIME = 840,

    // Language names: TXT_LANGUAGE_NAME + language number.
    TXT_LANGUAGE_NAME = 800,

    // Settings, passwords and information screens.
    TXT_HINT_MENU = 1100,
    TXT_HINT_PAGE,
    TXT_HINT_PASSWORD_CHOOSE,
    TXT_HINT_PASSWORD_PAD,
    TXT_HINT_MENU_LOCK,
    TXT_HINT_POWER,
    TXT_HINT_CALENDAR,
    TXT_HINT_INFORMATION,
    TXT_POWER_ON_PASSWORD = 1110,
    TXT_ASK_AT_POWER_ON,
    TXT_MENU_LOCK_PASSWORD,
    TXT_FORMAT_PASSWORD,
    TXT_PASSWORD_SET,
    TXT_PASSWORD_NOT_SET,
    TXT_POWER_ON_PROMPT,
    TXT_ENTER_OLD_PASSWORD,
    TXT_ENTER_NEW_PASSWORD,
    TXT_ENTER_NEW_AGAIN,
    TXT_WRONG_PASSWORD, // 1120
    TXT_PASSWORDS_DIFFER,
    TXT_PASSWORD_CHANGED,
    TXT_PASSWORD_LENGTH,
    TXT_NOT_STORED,
    TXT_SET_PASSWORD_FIRST,
    TXT_LOCKED,
    TXT_UNLOCKED,
    TXT_SHORTER,
    TXT_LONGER,
    TXT_SAVED, // 1130
    TXT_YEAR,
    TXT_MONTH,
    TXT_DAY,
    TXT_HOUR,
    TXT_MINUTE,
    TXT_SET_CLOCK,
    TXT_CLOCK_SET,
    TXT_DATE_INVALID,
    TXT_CLOCK_FAILED,
    TXT_APP_VERSION, // 1140
    TXT_FPGA_VERSION,
    TXT_MCU_VERSION,
    TXT_MODEL,
    TXT_TOTAL_ARCS,
    TXT_ELECTRODE_ARCS,
    TXT_ELECTRODE_LIMIT,
    TXT_MENU_LOCKED_PROMPT,
    TXT_FORMAT_PROMPT,
    TXT_MENU_LOCK_NEEDS_PASSWORD,

    // Mode, option and record screens: 2000..2199.
    TXT_HINT_MODE_MENU = 2000,
    TXT_HINT_MODE_SELECT = 2001,
    TXT_HINT_MODE_EDIT = 2002,
    TXT_HINT_MODE_DELETE = 2003,
    TXT_HINT_MODE_EDITOR = 2004,
    TXT_HINT_TEMPLATE = 2005,
    TXT_HINT_OPTIONS = 2006,
    TXT_OPT_CHECK_SENSITIVITY = 2010,
    TXT_OPT_FIBER_CHECK = 2011,
    TXT_OPT_AUTO_START = 2012,
    TXT_OPT_REALIGN = 2013,
    TXT_OPT_SHOW_CLEAVE = 2014,
    TXT_OPT_SHOW_OFFSET = 2015,
    TXT_OPT_STORE_IMAGES = 2016,
    TXT_SHORT = 2020,
    TXT_LONG = 2021,
    TXT_MODE_LOCKED = 2022,
    TXT_NO_FREE_MODE = 2023,
    TXT_CURRENT_MODE_KEPT = 2024,
    TXT_RECORDS_STORED = 2040,
    TXT_SHOW_RECORDS = 2041,
    TXT_EDIT_NOTES = 2042,
    TXT_CLEAR_RECORDS = 2043,
    TXT_EXPORT_USB = 2044,
    TXT_OPEN = 2045,
    TXT_SUCCEEDED = 2046,
    TXT_NO_RECORDS = 2047,
    TXT_EXPORTING = 2048,
    TXT_EXPORTED = 2049,
    TXT_EXPORT_FAILED = 2050,
    TXT_CLEAR_ASK = 2051,
    TXT_NO_UNDO = 2052,
    TXT_CLEAR_ALL = 2053,
    TXT_RECORDS_CLEARED = 2054,
    TXT_CLEAR_FAILED = 2055,
    TXT_NOTHING_CLEARED = 2056,
    TXT_HINT_BUTTONS = 2057,
    TXT_RECORD_UNREADABLE = 2060,
    TXT_REC_RECORD = 2061,
    TXT_REC_TIME = 2062,
    TXT_REC_MODE = 2063,
    TXT_REC_NOTES = 2064,
    TXT_REC_LOSS = 2065,
    TXT_REC_CLEAVE = 2066,
    TXT_REC_CORE_ANGLE = 2067,
    TXT_REC_OFFSET = 2068,
    TXT_HINT_RECORD_DISPLAY = 2069,
    TXT_NOTES_STORED = 2070,
    TXT_NOTES_NOT_STORED = 2071,
    TXT_RECORD_GONE = 2072,
    TXT_CHOOSE_RECORD = 2073,
    TXT_HINT_RECORD_EDIT = 2074,
    TXT_NO_PICTURE = 2075,
    TXT_FORMAT_RECORDS = 2080,
    TXT_ERASE_EEPROM = 2081,
    TXT_FORMAT_ASK = 2082,
    TXT_ERASE_ASK = 2083,
    TXT_FORMATTED = 2084,
    TXT_FORMAT_FAILED = 2085,
    TXT_ERASED = 2086,
    TXT_ERASE_FAILED = 2087,
    TXT_NOTHING_DONE = 2088,
    TXT_HINT_FORMAT = 2089,
    // Maintenance screens: dust check, motor calibration, manual motor drive, diagnostic.
    TXT_DUST_PASSED = 2300,
    TXT_DUST_FAILED,
    TXT_DUST_REMOVE_FIBERS,
    TXT_DUST_CLOSE_COVER,
    TXT_DUST_NO_PICTURE,
    TXT_DUST_CANCELLED,
    TXT_DUST_HINT,
    TXT_DUST_CHECKING,
    TXT_DUST_VIEW_X,
    TXT_DUST_VIEW_Y, // 2309
    TXT_MAINT_RUN,
    TXT_MAINT_BACK,
    TXT_MAINT_HOME,
    TXT_MAINT_PASS,
    TXT_MAINT_FAIL,
    TXT_MAINT_RUNNING,
    TXT_MAINT_DONE,
    TXT_MOTOR_CAL_HINT,
    TXT_MOTOR_DRIVE_HINT,
    TXT_DIAG_HINT,  // 2319
    TXT_MOTOR_NAME, // + motor id 0..5: 2320..2325
    // Manual motor drive (2600-2649).
    TXT_DRIVE_STEP = 2600,
    TXT_DRIVE_AT,
    TXT_DRIVE_AT_LIMIT,
    TXT_DRIVE_UNREADABLE,
    TXT_DRIVE_REFUSED,
    TXT_DRIVE_HOMED,
    TXT_DRIVE_HOMING_FAILED, // 2606

    // Guide pages: paragraph k of page p is TXT_GUIDE + p * TXT_GUIDE_PAGE_TEXTS + k.
    TXT_GUIDE = 1200,
    TXT_GUIDE_PAGE_TEXTS = 20,

    // Electrode burn-in and stabilisation screens (2250-2299).
    TXT_ELEC_CLOSE_COVER = 2250,
    TXT_ELEC_BURN_PROMPT,
    TXT_ELEC_BURN_RUNNING,
    TXT_ELEC_ARCS_LEFT,
    TXT_ELEC_BURN_DONE,
    TXT_ELEC_BURN_STOPPED,
    TXT_ELEC_STAB_PROMPT,
    TXT_ELEC_STAB_RUNNING,
    TXT_ELEC_LAY_FIBRES,
    TXT_ELEC_POSITION,
    TXT_ELEC_STAB_PASSED, // 2260
    TXT_ELEC_STAB_FAILED,
    TXT_ELEC_RUN,
    TXT_ELEC_CANCEL,
    TXT_ELEC_STAB_STOPPED,
    TXT_ELEC_HINT,
    // The arc calibration screen.
    TXT_ARCCAL_READY = 2200,
    TXT_ARCCAL_RUNNING,
    TXT_ARCCAL_DONE,
    TXT_ARCCAL_AGAIN,
    TXT_ARCCAL_INTERRUPTED,
    TXT_ARCCAL_NO_ENDFACE,
    TXT_ARCCAL_FAILED,
    TXT_ARCCAL_ARC_VALUE,
    TXT_ARCCAL_MELT_BACK,
    TXT_ARCCAL_CYCLE,
    TXT_ARCCAL_HINT,
    TXT_ARCCAL_TARGET,
    TXT_ARCCAL_COVER_OPEN,
    TXT_ARCCAL_NOT_STORED, // 2213
};
