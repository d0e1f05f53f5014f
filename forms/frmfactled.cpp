// LED settings: the illumination LED voltages and the LCD brightness, sent to the devices as they change.
#include "forms/frmfactled.h"

#include "formmodel/forms.h"
#include "forms/factedit.h"
#include "texts/textres.h"
#include "texts/textres_factory.h"

namespace
{
using T = FACTTABLE;
using S = FACTSHOW;
using L = FACTLIVE;

const FACTEDITOR kEditor = {
    .ppWnd = &frmFactLed,
    .parent = &frmFactory,
    .title = "LED Settings",
    .fields =
        {
            {T::SYS,
             "lXLedVolt",
             nullptr,
             {{0, "X "}, {TXT_FE_LED_VOLT, "LED Voltage"}},
             1,
             127,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::LED},
            {T::SYS,
             "lYLedVolt",
             nullptr,
             {{0, "Y "}, {TXT_FE_LED_VOLT, "LED Voltage"}},
             1,
             127,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::LED},
            {T::SYS,
             "lLcdBrightVal",
             nullptr,
             {{TXT_FE_LCD_BRIGHT, "LCD Brightness"}},
             8,
             80,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::LCD},
            {T::SYS,
             "lMonitorLedBright",
             nullptr,
             {{TXT_FE_MONITOR_LED, "Monitor LED Brightness"}},
             0,
             255,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
        },
};
} // namespace

const FACTEDITOR& frmFactLedEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactLed, kEditor)
