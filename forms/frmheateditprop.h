// The heater-mode editor: template, name, note and the heating values, written to the parameter store on
// Confirm.
#pragma once

#include <cstdint>

uint32_t frmHeatEditProp_Initialize();
uint32_t frmHeatEditProp_Release();
uint32_t frmHeatEditProp_Paint();
uint32_t frmHeatEditProp_Process();

struct MODEEDITOR;
// The editor's state (the record being edited, the value being changed).
const MODEEDITOR& frmHeatEditPropEditor();
