// One fuzz case of the bitmap loader: the input is a BMP file on the unit's flash, loaded at both
// depths, put into its frame (plain, inverted, keyed), recoloured and resized. A loaded image
// never claims more pixels than the file or the request holds. Used by the seeded driver of the
// test run and by the libFuzzer target.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "gui/gui.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace bitmapfuzz
{

struct Bed {
    Bed() : tb(sim::Testbed::Options{true})
    {
        sim::set_call_logging(false);
        InitializeGUI();
    }
    ~Bed() { ReleaseGUI(); }
    sim::Testbed tb;
};

constexpr const char* kFile = "/mnt/bitmap/fuzz.bmp";

inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    std::ofstream(bed.tb.path(kFile), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(d), std::streamsize(n));
    // The file's reserved bytes (6..9) pick where and how it is shown, so the fuzzer reaches the
    // clipping and the key.
    const uint8_t a = n > 6 ? d[6] : 0, b = n > 7 ? d[7] : 0;
    for (uint8_t depth : {uint8_t(8), uint8_t(24)}) {
        const uint16_t w = uint16_t(1 + (a & 0x0F) * 53), h = uint16_t(1 + (b & 0x0F) * 33);
        GUIIMAGE* img =
            CreateImageDirect(uint8_t(1 + (a >> 7)), depth, (b >> 7) & 1, w, h, uint16_t((a >> 4) * 57),
                              uint16_t((b >> 4) * 33), n > 8 ? d[8] : 0, kFile);
        if (!img) return "image object refused";
        if (_ImageEventLoad(img) == 0) {
            if (!img->pPixels || img->wWidth == 0 || img->wHeight == 0 || img->wWidth > w || img->wHeight > h)
                return "loaded image larger than asked or empty";
            _ImageDirectPut(img);
            if (depth == 8) {
                _ForeImageDirectPutBack(img, GetFrameObject("_BACK_FRM"));
                _ImageSizeChange(1 + (a & 3), 1 + (b & 3), 1 + (a >> 6), 1 + (b >> 6), img);
            }
            _ImageColorReplace(a & 1, b, n > 9 ? d[9] : 0, 0x123456, img);
            _ImageDirectPut(img);
        } else if (img->pPixels) {
            DeleteImageDirect(img);
            return "refused image kept pixels";
        }
        DeleteImageDirect(img);
    }
    return "";
}

} // namespace bitmapfuzz
