// The core axis offset between the two fibres, as the splice reports it.
#pragma once

// Combines both views' core offsets at the right fibre's end face into micrometres (at most 20),
// stores it as the splice's cladding and core axis offset and returns it.
float CalcAxisOffset();
// The same from the cores measured afresh (before the arc, or across the joint when `joined`),
// whatever lines the alignment left in the fibre records; the records' lines when the pictures
// give no measurement.
float CalcCoreAxisOffset(int joined);
