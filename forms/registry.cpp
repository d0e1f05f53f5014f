// The forms' registry (see registry.h). Each line names a form of the catalogue with its own entry
// points (FORM) or the shared stand-in screen (STANDIN); a form's source replaces its STANDIN line
// with a FORM line when it lands.
#include "forms/registry.h"

#include <cstdio>

#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "forms/frmfactarc.h"
#include "forms/frmfactarccompensation.h"
#include "forms/frmfactcount.h"
#include "forms/frmfactelectrode.h"
#include "forms/frmfactgpsinformation.h"
#include "forms/frmfactgraphics.h"
#include "forms/frmfactheater.h"
#include "forms/frmfactled.h"
#include "forms/frmfactmotor.h"
#include "forms/frmfactory.h"
#include "forms/frmfactother.h"
#include "forms/frmfactothercamera.h"
#include "forms/frmfactotherendurance.h"
#include "forms/frmfactothermotorcorrect.h"
#include "forms/frmfactothernoise.h"
#include "forms/frmfactrestore.h"
#include "forms/frmfactsensor.h"
#include "forms/frmfactserial.h"
#include "forms/frmfactsplice.h"
#include "forms/frmfactsplicetest.h"
#include "forms/frmfacttest.h"
#include "forms/frmfacttestalign.h"
#include "forms/frmfacttestall.h"
#include "forms/frmfacttestarc.h"
#include "forms/frmfacttestcali.h"
#include "forms/frmfacttestfiber.h"
#include "forms/frmfacttestkeypad.h"
#include "forms/frmfacttestmirror.h"
#include "forms/frmfacttestmotor.h"
#include "forms/frmfacttestpress.h"
#include "forms/frmfacttestround.h"
#include "forms/frmfacttestwave.h"
#include "forms/frmgpsswitch.h"
#include "forms/frmheatdelete.h"
#include "forms/frmheatedit.h"
#include "forms/frmheateditprop.h"
#include "forms/frmheater.h"
#include "forms/frmheatselect.h"
#include "forms/frmheatselecttemp.h"
#include "forms/frmhelpguid.h"
#include "forms/frminformation.h"
#include "forms/frminfotextedit.h"
#include "forms/frmmaintain.h"
#include "forms/frmmaintarc.h"
#include "forms/frmmaintdiagnostic.h"
#include "forms/frmmaintdust.h"
#include "forms/frmmaintduststart.h"
#include "forms/frmmaintelectrode.h"
#include "forms/frmmaintenduredarc.h"
#include "forms/frmmaintmotor.h"
#include "forms/frmmaintmotordriver.h"
#include "forms/frmmaintstabilize.h"
#include "forms/frmmaintupdate.h"
#include "forms/frmmenulock.h"
#include "forms/frmoptignore.h"
#include "forms/frmoptignore1.h"
#include "forms/frmoptimage.h"
#include "forms/frmoption.h"
#include "forms/frmrootmenu.h"
#include "forms/frmsplcdelete.h"
#include "forms/frmsplcedit.h"
#include "forms/frmsplceditprop.h"
#include "forms/frmsplcselect.h"
#include "forms/frmsplcselecttemp.h"
#include "forms/frmsplice.h"
#include "forms/frmstorage.h"
#include "forms/frmstorclear.h"
#include "forms/frmstordisplay.h"
#include "forms/frmstoredit.h"
#include "forms/frmsys4gbind.h"
#include "forms/frmsysbind.h"
#include "forms/frmsyscalendar.h"
#include "forms/frmsysformat.h"
#include "forms/frmsyspassword.h"
#include "forms/frmsyspower.h"
#include "forms/frmsystem.h"
#include "forms/frmsystem4gsetting.h"
#include "forms/frmsyswifi.h"
#include "forms/frmuserinfochange.h"
#include "forms/frmuserinfoshow.h"
#include "forms/frmworkbench.h"
#include "forms/standin.h"
#include "gui/global.h"

namespace
{
// clang-format off
#define FORM(name) {&name, name##_Initialize, name##_Release, name##_Paint, name##_Process, false}
#define STANDIN(name)                                                                              \
    {&name, StandinEntry<&name>::Initialize, StandinEntry<&name>::Release, StandinEntry<&name>::Paint, \
     StandinEntry<&name>::Process, true}

constexpr FORMENTRY kRegistry[] = {
    FORM(frmRootmenu),
    FORM(frmWorkbench),
    FORM(frmMaintain),
    STANDIN(frmMaintRepair),
    STANDIN(frmMaintAutoAdjust),
    STANDIN(frmMaintReplace),
    FORM(frmMaintStabilize),
    STANDIN(frmAutoMaintenance),
    STANDIN(frmMaintBrightness),
    FORM(frmMaintDust),
    FORM(frmMaintDustStart),
    FORM(frmMaintMotor),
    FORM(frmMaintArc),
    FORM(frmMaintElectrode),
    FORM(frmMaintMotorDriver),
    FORM(frmMaintUpdate),
    FORM(frmMaintEnduredArc),
    FORM(frmMaintDiagnostic),
    FORM(frmMenuLock),
    FORM(frmSplice),
    FORM(frmSplcSelect),
    FORM(frmSplcEdit),
    FORM(frmSplcDelete),
    FORM(frmSplcEditProp),
    FORM(frmSplcSelectTemp),
    FORM(frmOption),
    FORM(frmOptIgnore),
    FORM(frmOptIgnore1),
    FORM(frmOptImage),
    FORM(frmHeater),
    FORM(frmHeatSelect),
    FORM(frmHeatEdit),
    FORM(frmHeatDelete),
    FORM(frmHeatEditProp),
    FORM(frmHeatSelectTemp),
    FORM(frmInfoTextEdit),
    FORM(frmSystem),
    STANDIN(frmSysLanguage),
    FORM(frmSysPower),
    FORM(frmSysCalendar),
    FORM(frmSysPassword),
    FORM(frmSysFormat),
    FORM(frmSysWifi),
    FORM(frmSysBind),
    FORM(frmSys4GBind),
    STANDIN(frmSysAPP),
    FORM(frmSystem4GSetting),
    FORM(frmHelpGuid),
    FORM(frmInformation),
    FORM(frmStorage),
    FORM(frmStorDisplay),
    FORM(frmStorEdit),
    FORM(frmStorClear),
    FORM(frmUserFunction),
    FORM(frmUserPowerSupply),
    FORM(frmUserMaintainMenu),
    FORM(frmUserSetupMenu),
    FORM(frmUserDailyMaintain),
    FORM(frmUserSpliceProcess),
    FORM(frmUserSpliceHowto),
    FORM(frmUserSpliceCheck),
    FORM(frmUserSpliceExec),
    FORM(frmUserSpliceProtect),
    FORM(frmUserFuncOverview),
    FORM(frmUserFuncMode),
    FORM(frmUserFuncConnector),
    FORM(frmUserFuncCommunication),
    FORM(frmUserFuncContact),
    FORM(frmUserFuncVideo),
    FORM(frmUserSpliceTools),
    FORM(frmUserSplicePretreatment),
    FORM(frmUserInfoChange),
    FORM(frmUserInfoShow),
    FORM(frmGpsSwitch),
    FORM(frmFactory),
    FORM(frmFactTest),
    FORM(frmFactTestAll),
    FORM(frmFactTestPress),
    FORM(frmFactTestAlign),
    FORM(frmFactTestMirror),
    FORM(frmFactTestMotor),
    FORM(frmFactTestCali),
    FORM(frmFactTestFiber),
    FORM(frmFactTestRound),
    FORM(frmFactTestArc),
    FORM(frmFactTestWave),
    FORM(frmFactTestKeypad),
    FORM(frmFactElectrode),
    FORM(frmFactGraphics),
    FORM(frmFactHeater),
    FORM(frmFactLed),
    FORM(frmFactMotor),
    FORM(frmFactSensor),
    FORM(frmFactSplice),
    FORM(frmFactRestore),
    FORM(frmFactArc),
    FORM(frmFactArcCompensation),
    FORM(frmFactSpliceTest),
    FORM(frmFactCount),
    FORM(frmFactOther),
    FORM(frmFactOtherCamera),
    FORM(frmFactOtherEndurance),
    FORM(frmFactOtherNoise),
    FORM(frmFactOtherMotorCorrect),
    FORM(frmFactSerial),
    FORM(frmFactGpsInformation),
};
// clang-format on
#undef FORM
#undef STANDIN

// The table follows the catalogue line by line: a form left out, doubled or moved fails the build.
#define FORM_SLOT(name, style, role) &name,
constexpr GUIWINDOW** kCatalogueSlots[] = {FORM_CATALOGUE(FORM_SLOT)};
#undef FORM_SLOT
constexpr bool follows_catalogue()
{
    if (std::size(kRegistry) != std::size(kCatalogueSlots)) return false;
    for (size_t i = 0; i < std::size(kRegistry); ++i)
        if (kRegistry[i].ppWnd != kCatalogueSlots[i]) return false;
    return true;
}
static_assert(follows_catalogue(), "the registry lists every catalogue form once, in catalogue order");
} // namespace

std::span<const FORMENTRY> FormRegistry()
{
    return kRegistry;
}

const FORMENTRY* FindFormEntry(const GUIWINDOW* pWnd)
{
    if (!pWnd) return nullptr;
    for (auto& e : kRegistry)
        if (*e.ppWnd == pWnd) return &e;
    return nullptr;
}

bool IsStandinForm(const GUIWINDOW* pWnd)
{
    const FORMENTRY* e = FindFormEntry(pWnd);
    return e && e->standin;
}

int CreateFormWindows()
{
    int failed = 0;
    auto catalogue = FormCatalogue();
    for (size_t i = 0; i < std::size(kRegistry); ++i) {
        const FORMENTRY& e = kRegistry[i];
        *e.ppWnd = BuildStdWindow(catalogue[i].style, e.fnInitialize, e.fnRelease, e.fnPaint, e.fnProcess);
        if (!*e.ppWnd) ++failed;
    }
    SetFormEntryCheck(WorkbenchEntryCheck);
    return failed;
}

void DeleteFormWindows()
{
    SetFormEntryCheck(nullptr);
    for (auto& e : kRegistry) {
        // The active window must not outlive its form: whoever draws next would use freed memory.
        if (WND_ACTIVE && WND_ACTIVE == *e.ppWnd) WND_ACTIVE = nullptr;
        if (*e.ppWnd) DeleteWindowDirect(*e.ppWnd);
        *e.ppWnd = nullptr;
    }
}
