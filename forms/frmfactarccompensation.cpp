// Arc compensation: the arc power corrections for air pressure, temperature and arc brightness, and the
// brightness the last one compares with.
#include "forms/frmfactarccompensation.h"

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
    .ppWnd = &frmFactArcCompensation,
    .parent = &frmFactArc,
    .title = "Arc Compensation",
    .fields =
        {
            {T::OPTION,
             "lArcCompPress",
             nullptr,
             {{TXT_FE_COMP_PRESS, "Pressure Compensation"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::ONOFF,
             L::NONE},
            {T::OPTION,
             "lArcCompTemp",
             nullptr,
             {{TXT_FE_COMP_TEMP, "Temperature Compensation"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::ONOFF,
             L::NONE},
            {T::OPTION,
             "bArcBrightComp",
             nullptr,
             {{TXT_FE_COMP_ARC_BRIGHT, "Arc Brightness Compensation"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::ONOFF,
             L::NONE},
            {T::SYS,
             "bCompensationBright",
             nullptr,
             {{TXT_FE_BRIGHT_COMP, "Brightness Compensation"}},
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

const FACTEDITOR& frmFactArcCompensationEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactArcCompensation, kEditor)
