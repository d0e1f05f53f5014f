// Quick splice: set by the sequence from the splice mode's template; the steps take shorter paths.
#pragma once

extern int QUICK_MODE;
