// Test bed of the device layer: the simulated instrument, a parameter image with known factory
// values, the keypad object of the key driver, and the platform opened.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/dev_internal.h"
#include "devices/devices.h"
#include "gui/base.h"
#include "gui/frame.h"
#include "gui/keypad.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/dev_arc.h"
#include "sim/dev_camera.h"
#include "sim/dev_heater.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "sim/dev_simple.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace devtest
{

// Factory values of the test image.
constexpr int kElecPosX = 320, kElecPosY = 330;
constexpr int kFeedLimit = 9000, kAlignLimit = 4000, kFocusLimit = 6000, kFocusAltLimit = 3000;
constexpr int kFocusHome = 1000;

inline int32_t offset(int v)
{
    return v + PAR_OFFSET_CODE;
}
inline uint32_t focus_halves(int standard, int alternative)
{
    return uint32_t(offset(alternative)) << 16 | uint32_t(offset(standard));
}

// A whole default parameter image with valid page CRCs.
inline std::vector<uint8_t> default_image()
{
    std::vector<uint8_t> img(PAR_PART_SIZE, 0);
    auto page = [&](int n) { return img.data() + n * E2PROM_PAGE_SIZE; };

    auto* ui = reinterpret_cast<TABLEUSERINFO*>(page(PAR_PAGE_USERINFO));
    ui->dwXImagePlace = 32;
    ui->dwYImagePlace = 30;

    auto* fs = reinterpret_cast<TABLEFACTORYSYS*>(page(PAR_PAGE_FACTSYS));
    fs->lLcdBrightVal = 40;
    fs->lElecPosX = kElecPosX;
    fs->lElecPosY = kElecPosY;
    fs->lXLedVolt = 60;
    fs->lYLedVolt = 70;
    fs->lArcCaliPress = 1013;
    fs->lArcCaliTemp = offset(2500);
    fs->lArcCaliResult = offset(1500);
    fs->lHeatMiddleLow = 500;
    fs->lHeatMiddleHigh = 1500;
    fs->lHeatBorderLow = 400;
    fs->lHeatBorderHigh = 1200;

    auto* mp = reinterpret_cast<TABLEFACTMOTORPAR*>(page(PAR_PAGE_FACTMOTORPAR));
    mp->dwXFocusSetup = 0x11;
    mp->dwYFocusSetup = 0x12;
    mp->dwXAlignSetup = 0x13;
    mp->dwYAlignSetup = 0x14;

    auto* md = reinterpret_cast<TABLEFACTMOTORDIS*>(page(PAR_PAGE_FACTMOTORDIS));
    md->lLPressHome = offset(-200);
    md->lRPressHome = offset(-300);
    md->lXFocusHome = offset(kFocusHome);
    md->lYFocusHome = offset(kFocusHome);
    md->lXAlignHome = offset(0);
    md->lYAlignHome = offset(0);
    md->lLPressUp = md->lRPressUp = offset(kFeedLimit);
    md->lLPressDown = md->lRPressDown = offset(-kFeedLimit);
    md->lXAlignUp = md->lYAlignUp = offset(kAlignLimit);
    md->lXAlignDown = md->lYAlignDown = offset(-kAlignLimit);
    md->lXFocusUp = md->lYFocusUp = int32_t(focus_halves(kFocusLimit, kFocusAltLimit));
    md->lXFocusDown = md->lYFocusDown = int32_t(focus_halves(-kFocusLimit, -kFocusAltLimit));

    // Sensor images: a recognisable pattern, the orientation register as the front wants it.
    uint8_t* c0 = page(PAR_PAGE_FACTCAMERA0);
    uint8_t* c1 = page(PAR_PAGE_FACTCAMERA1);
    for (int i = 0; i < 124; ++i)
        c0[i] = uint8_t(i * 3 + 1);
    for (int i = 0; i < 124; ++i)
        c1[i] = uint8_t(i * 5 + 2);
    c0[0] = 0x42; // command and start register of the X image
    c0[1] = 0;
    c1[CAMERA_Y_IMAGE_OFFSET] = 0x42;
    c1[CAMERA_Y_IMAGE_OFFSET + 1] = 0;

    auto* m = reinterpret_cast<MachineParameter*>(page(PAR_PAGE_MACHINE));
    m->dwKeySound = 1;
    m->dwScreenTurn = 0;
    m->dwElecLimitCount = 3000;
    m->bSpeakerSet1 = 35;
    m->wSpeakerSet2 = 3000;
    m->dwSpeakerMarker = SPEAKER_MARKER;

    auto* hm = reinterpret_cast<APPHEATER*>(page(PAR_PAGE_HEATERMODE));
    hm->bModeActive = 1;
    hm->bHeatCtrl = 3;
    hm->wHeatTemp = 150;
    hm->wHeatTime = 30;
    hm->wCoolTime = 10;
    hm->bPreheat = HEATER_PREHEAT_ON;
    hm->bPreheatTemp = 100;

    for (int n = 0; n < PAR_PART_PAGES; ++n)
        E2prom_SetPageCrc(page(n));
    return img;
}

// Copy-out, change, copy-in of one table.
template <class T> void change(int (*get)(void*), int (*set)(const void*), const std::function<void(T&)>& fn)
{
    // The save may fail when the program runs on the default image; the table must change anyway.
    T t{}, back{};
    ASSERT_EQ(get(&t), 0);
    fn(t);
    set(&t);
    ASSERT_EQ(get(&back), 0);
    ASSERT_EQ(std::memcmp(&t, &back, 124), 0);
}

inline void factsys(const std::function<void(TABLEFACTORYSYS&)>& fn)
{
    change<TABLEFACTORYSYS>(GetTable_FactSys, SetTable_FactSys, fn);
}
inline void machine(const std::function<void(MachineParameter&)>& fn)
{
    change<MachineParameter>(GetTable_MachinePar, SetTable_MachineParEx, fn);
}
inline void option(const std::function<void(APPTABLE_OPTION&)>& fn)
{
    change<APPTABLE_OPTION>(GetTable_SpliceOption, SetTable_SpliceOption, fn);
}
inline void heater_mode(const std::function<void(APPHEATER&)>& fn)
{
    APPHEATER h{}, back{};
    ASSERT_EQ(ReadMode_Heater(1, &h), 0);
    fn(h);
    WriteMode_Heater(1, &h);
    ASSERT_EQ(ReadMode_Heater(1, &back), 0);
    ASSERT_EQ(std::memcmp(&h, &back, 124), 0);
}

// u32 arguments of every call of one request on one device, in order.
inline std::vector<uint32_t> words(const char* device, unsigned long request)
{
    std::vector<uint32_t> out;
    for (const auto& c : sim::call_log(device, request))
        out.push_back(uint32_t(c.value));
    return out;
}

class DevicesTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        bed_ = std::make_unique<sim::Testbed>();
        std::vector<uint8_t> img = default_image();
        FILE* f = std::fopen(bed_->path("/mnt/usr/Default.par").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(img.data(), 1, img.size(), f), img.size());
        std::fclose(f);
        // A foreground palette: blue, green, red and an unused byte per entry.
        std::filesystem::create_directories(bed_->path("/mnt/font"));
        FILE* p = std::fopen(bed_->path("/mnt/font/Fore.pal").c_str(), "wb");
        ASSERT_NE(p, nullptr);
        for (int i = 0; i < 256; ++i) {
            uint8_t e[4] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
            std::fwrite(e, 1, 4, p);
        }
        std::fclose(p);
        ASSERT_EQ(InitializeRootList(), 0);
        InitializeKeypadQueue();
        pad_ = CreateKeypadDirect(200, 36, DEV_KEY);
        ASSERT_NE(pad_, nullptr);
        _KeypadMapStandard(pad_);
        InitializeParameter();
        ASSERT_TRUE(ParameterLoaded());
        if (open_platform_) InitializePlatform();
        sim::clear_call_log();
    }

    void TearDown() override
    {
        thread_heat_unlock();
        ReleasePlatform();
        RemoveMessageQueue();
        ReleaseParameter();
        if (pad_) DeleteKeypadDirect(pad_);
        ReleaseKeypadQueue();
        ReleaseRootList();
        SetMotorOrientation(0);
        bed_.reset();
    }

    sim::Instrument& inst() { return bed_->instrument(); }

    std::unique_ptr<sim::Testbed> bed_;
    GUIKEYPAD* pad_ = nullptr;
    bool open_platform_ = true;
};

} // namespace devtest
