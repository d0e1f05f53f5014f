// The true offset between the two fibres' cores, measured afresh from the pictures whatever the
// alignment used: whole-line fits of each fibre's core and cladding on both sides of a column,
// with the cladding's lens taken out of the core's distance from the cladding centre.
#pragma once

// Before the arc: the cores' row differences (left minus right, true rows) at the right fibre's
// end face, per view. After the arc (`joined`): across the joint, from fits that keep clear of
// the joint's own few micrometres. 0, or -1 when a view has no usable fit (dx, dy unchanged).
int MeasureCoreOffset(int joined, float* dx, float* dy);
