// Factory splice parameters: fault check sensitivity and the checks, the splice logger, the end-face check
// method and the alternative focus motor.
#include "forms/frmfactsplice.h"

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
    .ppWnd = &frmFactSplice,
    .parent = &frmFactory,
    .title = "Factory Splice Parameters",
    .fields =
        {
            {T::OPTION,
             "bCheckDegree",
             nullptr,
             {{TXT_FE_CHECK_DEGREE, "Fault Check Sensitivity"}},
             5,
             15,
             1,
             0,
             1,
             "\xB0",
             S::NUMBER,
             L::NONE},
            {T::OPTION,
             "bCheckFiber",
             nullptr,
             {{TXT_FE_FIBER_CHECK, "Fiber Check"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::ONOFF,
             L::NONE},
            {T::OPTION,
             "bSpliceLogger",
             nullptr,
             {{TXT_FE_SPLICE_LOGGER, "Splice Logger"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::ONOFF,
             L::NONE},
            {T::OPTION,
             "bEndFaceMethod",
             nullptr,
             {{TXT_FE_END_FACE, "New End-Face Check"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::ONOFF,
             L::NONE},
            {T::MACHINE,
             "bFocMotAlterFlag",
             nullptr,
             {{TXT_FE_ALT_FOCUS, "Alternative Focus Motor"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::FLAG5A,
             L::NONE},
        },
};
} // namespace

const FACTEDITOR& frmFactSpliceEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactSplice, kEditor)
