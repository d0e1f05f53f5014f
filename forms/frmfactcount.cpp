// Counters: total and electrode arcs, the arc and splice counters and the maintenance runs.
#include "forms/frmfactcount.h"

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
    .ppWnd = &frmFactCount,
    .parent = &frmFactory,
    .title = "Counters",
    .fields =
        {
            {T::USER,
             "dwTotalArcCount",
             nullptr,
             {{TXT_TOTAL_ARCS, "Total Arcs"}},
             0,
             99999999,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::USER,
             "dwCurArcCount",
             nullptr,
             {{TXT_FE_ELEC_ARCS, "Electrode Arcs"}},
             0,
             99999999,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::USER,
             "dwArcCount",
             nullptr,
             {{TXT_FE_ARC_COUNTER, "Arc Counter"}},
             0,
             99999999,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::USER,
             "dwSpliceCount",
             nullptr,
             {{TXT_FE_SPLICE_COUNTER, "Splice Counter"}},
             0,
             99999999,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::MACHINE,
             "dwMaintainCount",
             nullptr,
             {{TXT_FE_MAINT_RUNS, "Maintenance Runs"}},
             0,
             99999999,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
        },
};
} // namespace

const FACTEDITOR& frmFactCountEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactCount, kEditor)
