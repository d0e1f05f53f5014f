// Arc parameters: the air pressure and temperature of the arc calibration and its result; buttons open the
// arc compensation and the splice test.
#include "forms/frmfactarc.h"

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
    .ppWnd = &frmFactArc,
    .parent = &frmFactory,
    .title = "Arc Parameters",
    .fields =
        {
            {T::SYS,
             "lArcCaliPress",
             nullptr,
             {{TXT_FE_CALI_PRESS, "Calibration Pressure"}},
             300,
             1200,
             1,
             0,
             1,
             "kPa",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lArcCaliTemp",
             nullptr,
             {{TXT_FE_CALI_TEMP, "Calibration Temperature"}},
             -4000,
             8000,
             10,
             10000,
             2,
             "\xB0"
             "C",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lArcCaliResult",
             nullptr,
             {{TXT_FE_CALI_RESULT, "Calibration Result"}},
             0,
             5000,
             1,
             10000,
             0,
             "",
             S::NUMBER,
             L::NONE},
        },
    .more = {{{TXT_FACT_ARC_COMP, "Arc Compensation"}, &frmFactArcCompensation},
             {{TXT_FE_SPLICE_TEST, "Splice Test"}, &frmFactSpliceTest}},
};
} // namespace

const FACTEDITOR& frmFactArcEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactArc, kEditor)
