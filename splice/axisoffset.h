// The core axis offset between the two fibres, as the splice reports it.
#pragma once

// Combines both views' core offsets at the right fibre's end face into micrometres (at most 20),
// stores it as the splice's cladding and core axis offset and returns it.
float CalcAxisOffset();
