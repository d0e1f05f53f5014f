// Peak plateaus: how flat the top of a cladding or core peak is in a short byte window.
#include "fiber/numeric.h"

int FindCladPeakPlateau(const uint8_t* samples, int n, int* length, int* kind)
{
    if (!samples || n < 0 || !length || !kind) return 0;
    int pos = 0;
    for (int i = 1; i <= 2 * n; ++i)
        if (samples[i] >= samples[pos]) pos = i;
    int len = 1;
    for (int i = 0; i < pos; ++i)
        if (samples[i] == samples[pos]) ++len;
    *length = len;
    switch (len) {
    case 1:
        *kind = 0;
        break;
    case 2:
        *kind = 1;
        break;
    case 3:
        *kind = 2;
        --pos; // the middle of a three-sample plateau
        break;
    default:
        *kind = -1;
        break;
    }
    return pos - n;
}

int FindCorePeakPlateau(uint8_t value, const uint8_t* samples, int n, int* count, int* kind)
{
    if (!samples || n < 0 || !count || !kind) return 0;
    int pos = n, c = 0;
    for (int i = 0; i <= 2 * n; ++i)
        if (samples[i] == value) {
            pos = i;
            ++c;
        }
    *count = c;
    if (c == 1) {
        *kind = 0;
    } else if (c == 2) {
        if (pos != n && pos != n + 1) return *kind = -2;
        *kind = 1;
    } else if (c == 3) {
        if (pos >= n && pos <= n + 2) {
            *kind = 2;
            --pos;
        } else {
            *kind = -3;
        }
    } else {
        *kind = -1;
    }
    return pos - n;
}
