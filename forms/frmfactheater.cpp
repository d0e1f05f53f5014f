// Heater calibration: the device values at which each heater zone is at 100 and at 200 degree C.
#include "forms/frmfactheater.h"

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
    .ppWnd = &frmFactHeater,
    .parent = &frmFactory,
    .title = "Heater Calibration",
    .fields =
        {
            {T::SYS,
             "lHeatMiddleLow",
             nullptr,
             {{TXT_FE_HEAT_MIDDLE, "Middle Zone"}, {0, " 100 "}, {TXT_UNIT_ANGLE, "\xB0"}, {0, "C"}},
             0,
             4095,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lHeatMiddleHigh",
             nullptr,
             {{TXT_FE_HEAT_MIDDLE, "Middle Zone"}, {0, " 200 "}, {TXT_UNIT_ANGLE, "\xB0"}, {0, "C"}},
             0,
             4095,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lHeatBorderLow",
             nullptr,
             {{TXT_FE_HEAT_ENDS, "End Zones"}, {0, " 100 "}, {TXT_UNIT_ANGLE, "\xB0"}, {0, "C"}},
             0,
             4095,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lHeatBorderHigh",
             nullptr,
             {{TXT_FE_HEAT_ENDS, "End Zones"}, {0, " 200 "}, {TXT_UNIT_ANGLE, "\xB0"}, {0, "C"}},
             0,
             4095,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
        },
};
} // namespace

const FACTEDITOR& frmFactHeaterEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactHeater, kEditor)
