// Camera and image settings: each sensor's exposure (sent to the sensor as it changes) and the brightness
// each image is brought to.
#include "forms/frmfactgraphics.h"

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
    .ppWnd = &frmFactGraphics,
    .parent = &frmFactory,
    .title = "Camera and Image",
    .fields =
        {
            {T::CAMX,
             "xReg3",
             "xReg4",
             {{0, "X "}, {TXT_FE_EXPOSURE, "Exposure"}},
             0,
             65535,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::EXPOSURE_X},
            {T::CAMY,
             "yReg3",
             "yReg4",
             {{0, "Y "}, {TXT_FE_EXPOSURE, "Exposure"}},
             0,
             65535,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::EXPOSURE_Y},
            {T::SYS,
             "lXLightVal",
             nullptr,
             {{0, "X "}, {TXT_FE_BRIGHT_TARGET, "Brightness Target"}},
             32,
             96,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lYLightVal",
             nullptr,
             {{0, "Y "}, {TXT_FE_BRIGHT_TARGET, "Brightness Target"}},
             32,
             96,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lXLightErr",
             nullptr,
             {{0, "X "}, {TXT_FE_BRIGHT_TOL, "Brightness Tolerance"}},
             4,
             16,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lYLightErr",
             nullptr,
             {{0, "Y "}, {TXT_FE_BRIGHT_TOL, "Brightness Tolerance"}},
             4,
             16,
             1,
             0,
             0,
             "",
             S::NUMBER,
             L::NONE},
            {T::SYS,
             "lCamAdjustFlag",
             nullptr,
             {{TXT_FE_CAM_ADJUST, "Camera Offset Adjustment"}},
             0,
             1,
             1,
             0,
             0,
             "",
             S::ONOFF,
             L::NONE},
        },
};
} // namespace

const FACTEDITOR& frmFactGraphicsEditor()
{
    return kEditor;
}

FACT_EDIT_FORM(frmFactGraphics, kEditor)
