// The fibre test form of the factory test menu: trains the fibre type identification.
#pragma once

#include <cstdint>

// The kind (0 MM, 1 G652, 2 NZ, 3 G657) being trained.
int GetFactTestFiberKind();
// The form's entry points.
uint32_t frmFactTestFiber_Initialize();
uint32_t frmFactTestFiber_Release();
uint32_t frmFactTestFiber_Paint();
uint32_t frmFactTestFiber_Process();
