// Electrode settings: where the electrodes stand in each image, and after how many arcs they warn and are
// due.
#include "forms/frmfactelectrode.h"

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
    .ppWnd = &frmFactElectrode,
    .parent = &frmFactory,
    .title = "Electrode Settings",
    .fields =
        {
            {T::SYS,
             "lElecPosX",
             nullptr,
             {{0, "X "}, {TXT_FE_ELEC_POS, "Electrode Position"}},
             0,
             639,
             1,
             0,
             0,
             "px",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lElecPosY",
             nullptr,
             {{0, "Y "}, {TXT_FE_ELEC_POS, "Electrode Position"}},
             0,
             639,
             1,
             0,
             0,
             "px",
             S::NUMBER,
             L::NONE},
            {T::MACHINE,
             "dwElecWarnCount",
             nullptr,
             {{TXT_FE_ELEC_WARN, "Electrode Warning Level"}},
             0,
             100000,
             10,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::MACHINE,
             "dwElecLimitCount",
             nullptr,
             {{TXT_ELECTRODE_LIMIT, "Electrode Limit"}},
             0,
             100000,
             10,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
        },
};
} // namespace

const FACTEDITOR& frmFactElectrodeEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactElectrode, kEditor)
