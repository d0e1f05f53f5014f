// The shared status-bar images and error backgrounds (see global_source.h).
#include "formmodel/global_source.h"

#include "devices/platdev.h"
#include "gui/global.h"

GUIIMAGE* pBatteryImage[4] = {nullptr, nullptr, nullptr, nullptr};
int AdapterFlag = 0;
uint32_t lBatteryAtPowerOn = 0;

namespace
{
void save_error_background(const char* path, int which)
{
    GUIFRAME* back = GetFrameObject("_BACK_FRM");
    GUIIMAGE* img = CreateImageDirect(1, 24, 0, 800, 480, 0, 0, 0, path);
    if (back && img) {
        _ImageDirectPut(img);
        _FrameBufferMixBackErr(0, 480, back, which);
    }
    if (img) DeleteImageDirect(img);
}
} // namespace

int InitializeGlobalSource()
{
    uint32_t type = 0;
    GetPowerType(&type);
    if (type == 0) { // battery
        AdapterFlag = 0;
        GetBatteryVoltage(&lBatteryAtPowerOn);
    } else {
        AdapterFlag = 1;
    }
    static const char* const kBattery[4] = {
        "bitmap/Battery/BatteryAdapter.bmp", "bitmap/Battery/BatteryCharge.bmp",
        "bitmap/Battery/BatteryFull.bmp", "bitmap/Battery/BatteryLow.bmp"};
    for (int i = 0; i < 4; ++i)
        pBatteryImage[i] = CreateImageDirect(1, 8, 0, 49, 16, 731, 10, 0, kBattery[i]);
    save_error_background("bitmap/Factory/BackFactWorkErr.bmp", 1);
    save_error_background("bitmap/Workbench/BackWorkErr.bmp", 0);
    return 0;
}

int ReleaseGlobalSource()
{
    for (auto*& img : pBatteryImage) {
        if (img) DeleteImageDirect(img);
        img = nullptr;
    }
    AdapterFlag = 0;
    return 0;
}
