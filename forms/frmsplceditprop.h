// The splice-mode editor: the items the mode's masks offer, changed with Left/Right or - and +, written to
// the parameter store on Confirm.
#pragma once

#include <cstdint>

uint32_t frmSplcEditProp_Initialize();
uint32_t frmSplcEditProp_Release();
uint32_t frmSplcEditProp_Paint();
uint32_t frmSplcEditProp_Process();

struct MODEEDITOR;
// The editor's state (the record being edited, the value being changed).
const MODEEDITOR& frmSplcEditPropEditor();
