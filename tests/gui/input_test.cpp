// Keypad events (presses, releases, two keys, repeats and the 32-second window) and touch input
// (region matching, the two-slot queue, touch repeat, the touch thread with the touch panel).
#include <vector>

#include "gui_fixture.h"
#include "sim/dev_input.h"

namespace
{

using guitest::GuiTest;

constexpr uint16_t kConfirm = 9, kCancel = 17, kUp = 1;

class KeypadTest : public GuiTest
{
  protected:
    GUIKEYPAD* pad() { return GetKeypadObject(DEV_KEY); }
    sim::KeyDevice& keys() { return bed_->instrument().keys(); }
};

TEST_F(KeypadTest, PressReleaseAndSecondKeyWhileHeld)
{
    ASSERT_NE(pad(), nullptr);
    EXPECT_EQ(GetKeypadEvent(pad()), 0);
    keys().press(kConfirm);
    EXPECT_EQ(GetKeypadEvent(pad()), 0x103);
    keys().press(kCancel); // a second key while one is held: no event
    EXPECT_EQ(GetKeypadEvent(pad()), KEY_EVENT_NONE);
    keys().release(kCancel); // the next release ends the first key
    EXPECT_EQ(GetKeypadEvent(pad()), 0x203);
    keys().release(kConfirm); // a release with no key held
    EXPECT_EQ(GetKeypadEvent(pad()), KEY_EVENT_NONE);
    keys().press_combination(16, 18);
    EXPECT_EQ(GetKeypadEvent(pad()), 0x100 | 13);
}

TEST_F(KeypadTest, TapsMadeBeforeTheNextReadEachGiveTheirDownAndUp)
{
    // A stray release, then more taps than one driver read holds, all while the reader is busy.
    struct Tap {
        uint16_t raw;
        uint8_t code;
    };
    const Tap taps[] = {{kConfirm, 3}, {kUp, 5}, {kCancel, 2}};
    keys().release(kCancel);
    for (int i = 0; i < 10; ++i) {
        keys().press(taps[i % 3].raw);
        keys().release(taps[i % 3].raw);
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(GetKeypadEvent(pad()), 0x100 | taps[i % 3].code) << i;
        EXPECT_EQ(GetKeypadEvent(pad()), 0x200 | taps[i % 3].code) << i;
    }
    EXPECT_EQ(GetKeypadEvent(pad()), 0);
    EXPECT_EQ(keys().queued(), 0u);
}

TEST_F(KeypadTest, OnlyArrowKeysRepeatEveryInterval)
{
    struct Case {
        uint16_t raw;
        uint8_t code;
        bool repeats;
    };
    const Case cases[] = {{kUp, 5, true}, {10, 6, true},        {18, 7, true},
                          {2, 8, true},   {kConfirm, 3, false}, {37, 9, false}};
    for (const Case& c : cases) {
        keys().press(c.raw);
        ASSERT_EQ(GetKeypadEvent(pad()), 0x100 | c.code);
        plat_sleep_ms(199);
        EXPECT_EQ(GetKeypadEvent(pad()), 0);
        for (int i = 0; i < 3; ++i) {
            plat_sleep_ms(i == 0 ? 1 : 200);
            EXPECT_EQ(GetKeypadEvent(pad()), c.repeats ? 0x300 | c.code : 0) << int(c.raw);
            EXPECT_EQ(CheckRepeatEvent(), c.repeats ? 1 : 0);
            EXPECT_EQ(GetKeypadEvent(pad()), 0); // once per interval
        }
        keys().release(c.raw);
        EXPECT_EQ(GetKeypadEvent(pad()), 0x200 | c.code);
        EXPECT_EQ(CheckRepeatEvent(), 0);
    }
    pad()->wRepeat = 0; // repeat off
    keys().press(kUp);
    GetKeypadEvent(pad());
    plat_sleep_ms(1000);
    EXPECT_EQ(GetKeypadEvent(pad()), 0);
}

TEST_F(KeypadTest, RepeatTimingSurvivesTheWindowWrap)
{
    // Press 100 ms before the 32-second window wraps.
    const uint64_t now = plat_monotonic_ms();
    plat_sleep_ms(uint32_t((31900 + 32000 - now % 32000) % 32000));
    keys().press(kUp);
    ASSERT_EQ(GetKeypadEvent(pad()), 0x105);
    EXPECT_GE(pad()->wLastTime, 31899);
    plat_sleep_ms(150);
    EXPECT_EQ(GetKeypadEvent(pad()), 0);
    plat_sleep_ms(50);
    EXPECT_EQ(GetKeypadEvent(pad()), 0x305);
    plat_sleep_ms(200);
    EXPECT_EQ(GetKeypadEvent(pad()), 0x305);
    EXPECT_LT(pad()->wLastTime, 1000);
}

TEST_F(KeypadTest, KeyMapBuildTable)
{
    struct Case {
        uint16_t raw;
        uint8_t code;
    };
    const Case cases[] = {
        {0x1000 | 28, 1},               // home
        {0x1000 | 44, 10},              // heat
        {0x3000 | (37 << 6) | 28, 0},   // combination 28 + 37
        {0x3000 | (10 << 6) | 1, 16},   // combination 1 + 10
        {0x2000 | (17 << 6) | 9, 17},   // combination bit alone is enough
        {0x3000 | (28 << 6) | 37, 255}, // the keys in the other order
        {28, 255},                      // a release never maps
        {0x1000 | 50, 255},             // unknown key
    };
    for (const Case& c : cases)
        EXPECT_EQ(_KeypadMapBuild(c.raw, pad()), c.code) << std::hex << c.raw;
    EXPECT_EQ(_KeypadMapAdd(30, 1, 0, 20, 20, pad()), 1); // combination needs second > first
    EXPECT_EQ(_KeypadMapAdd(30, 1, 0, 20, 21, pad()), 0);
    EXPECT_EQ(_KeypadMapBuild(0x3000 | (21 << 6) | 20, pad()), 30);
    EXPECT_EQ(_KeypadMapDel(30, pad()), 0);
    EXPECT_EQ(GetKeypadMap(30, pad()), nullptr);
    ASSERT_NE(GetKeypadMap(5, pad()), nullptr);
    EXPECT_EQ(GetKeypadMap(5, pad())->bRepeat, 1);
}

// A key driver that claims more codes than fit in the buffer.
class BoastingKeys : public sim::Device
{
  public:
    const char* name() const override { return "boasting keys"; }
    int ioctl(sim::OpenState&, unsigned long req, void* arg) override
    {
        if (req != KEY_READ_CODES) return -1;
        auto* d = static_cast<KeypadReadDesc*>(arg);
        const size_t slots = d->lSize / 2;
        for (size_t i = 2; i < slots; ++i)
            d->pBuffer[i] = 0x1000 | 9;
        d->pBuffer[1] = 60000;
        return 0;
    }
};

TEST_F(GuiTest, KeypadCountIsClampedToTheBuffer)
{
    sim::register_device("/dev/boast", std::make_shared<BoastingKeys>());
    GUIKEYPAD* k = CreateKeypadDirect(200, 36, "/dev/boast");
    ASSERT_NE(k, nullptr);
    _KeypadMapStandard(k);
    EXPECT_EQ(GetKeypadEvent(k), 0x103);
    DeleteKeypadDirect(k);
}

class TouchTest : public GuiTest
{
  protected:
    GUITOUCHPAD* pad() { return GetTouchpadObject(DEV_TOUCH); }
    void TearDown() override
    {
        if (thread_) plat_thread_stop(thread_);
        ClearEventMsg();
        touch_thread_unlock();
        GuiTest::TearDown();
    }
    plat_thread_t thread_ = 0;
    int a_ = 0, b_ = 0;
};

TEST_F(TouchTest, RegionBordersAndOverlaps)
{
    GUITOUCHMAP* first = _AddTouchMap(100, 100, 40, 20, 1, 7, &a_, pad());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(_AddTouchMap(120, 100, 40, 20, 1, 8, &b_, pad()), nullptr);
    ASSERT_NE(_AddTouchMap(5, 5, 20, 20, 2, 9, &b_, pad()), nullptr); // left edge clipped at 0
    struct Case {
        uint16_t x, y;
        void* obj;
    };
    const Case cases[] = {{80, 100, &a_},      {120, 110, &a_},    {121, 100, &b_},
                          {140, 90, &b_},      {79, 100, nullptr}, {100, 89, nullptr},
                          {141, 100, nullptr}, {0, 0, &b_},        {15, 15, &b_}};
    for (const Case& c : cases) {
        GUITOUCHMAP* m = MatchTouchMapList(c.x, c.y, pad());
        EXPECT_EQ(m ? m->pObject : nullptr, c.obj) << c.x << "," << c.y;
    }
    EXPECT_EQ(_AddTouchMap(790, 100, 22, 10, 1, 0, &a_, pad()), nullptr); // past the right edge
    EXPECT_EQ(_AddTouchMap(100, 475, 10, 12, 1, 0, &a_, pad()), nullptr); // past the bottom
    EXPECT_EQ(_AddTouchMap(100, 100, 10, 10, 1, 0, nullptr, pad()), nullptr);
    EXPECT_EQ(pad()->bCount, 3);
    EXPECT_EQ(DelTouchMap(first, pad()), 0);
    EXPECT_EQ(MatchTouchMapList(100, 100, pad())->pObject, &b_);
    DelTouchMapList(pad());
    EXPECT_EQ(pad()->bCount, 0);
}

TEST_F(TouchTest, QueueKeepsAPendingReleaseWhenFull)
{
    const GUITOUCHMSG press{1, 1, 0, &a_}, release{2, 1, 0, &a_}, press_b{1, 1, 0, &b_},
        release_b{2, 1, 0, &b_};
    GUITOUCHMSG m{};
    // Full with a press first: emptied, the new message kept.
    WriteEventMsg(&press);
    WriteEventMsg(&release);
    EXPECT_EQ(MsgBuff.bFull, 1);
    WriteEventMsg(&press_b);
    EXPECT_EQ(MsgBuff.bCount, 1);
    ASSERT_EQ(ReadEventMsg(&m), 1);
    EXPECT_EQ(m.pObject, &b_);
    EXPECT_EQ(ReadEventMsg(&m), 0);
    // Full with a release first: the release stays, then the new press.
    WriteEventMsg(&release);
    WriteEventMsg(&press);
    WriteEventMsg(&press_b);
    ASSERT_EQ(ReadEventMsg(&m), 1);
    EXPECT_EQ(m.wState, 2);
    ASSERT_EQ(ReadEventMsg(&m), 1);
    EXPECT_EQ(m.pObject, &b_);
    // A release arriving when the oldest is a release is dropped.
    WriteEventMsg(&release);
    WriteEventMsg(&press);
    WriteEventMsg(&release_b);
    EXPECT_EQ(MsgBuff.bCount, 1);
    ASSERT_EQ(ReadEventMsg(&m), 1);
    EXPECT_EQ(m.pObject, &a_);
    // ClearMsg keeps a release at the head, drops a press; on an empty queue it does nothing.
    ClearMsg();
    EXPECT_EQ(MsgBuff.bCount, 0);
    WriteEventMsg(&release);
    WriteEventMsg(&press);
    ClearMsg();
    EXPECT_EQ(MsgBuff.bCount, 1);
    WriteEventMsg(&press);
    ReadEventMsg(&m);
    ClearMsg();
    EXPECT_EQ(MsgBuff.bCount, 0);
}

TEST_F(TouchTest, HeldTouchRepeatsItsPress)
{
    const GUITOUCHMSG press{1, 1, 3, &a_};
    WriteEventMsg(&press);
    GUITOUCHMSG m{};
    EXPECT_EQ(GetTouchpadEvent(pad(), &m), 1);
    EXPECT_EQ(GetTouchRepeat(), 0);
    plat_sleep_ms(150);
    EXPECT_EQ(GetTouchpadEvent(pad(), &m), 0);
    plat_sleep_ms(50);
    EXPECT_EQ(GetTouchpadEvent(pad(), &m), 1);
    EXPECT_EQ(GetTouchRepeat(), 1);
    EXPECT_EQ(m.pObject, &a_);
    EXPECT_EQ(m.wId, 3);
    const GUITOUCHMSG release{2, 1, 3, &a_};
    WriteEventMsg(&release);
    EXPECT_EQ(GetTouchpadEvent(pad(), &m), 2);
    plat_sleep_ms(400);
    EXPECT_EQ(GetTouchpadEvent(pad(), &m), 0);
}

TEST_F(TouchTest, DeletedRegionStopsRepeatingItsPress)
{
    GUITOUCHMAP* region = _AddTouchMap(100, 100, 40, 20, 1, 3, &a_, pad());
    ASSERT_NE(region, nullptr);
    const GUITOUCHMSG press{1, 1, 3, &a_};
    WriteEventMsg(&press);
    GUITOUCHMSG m{};
    ASSERT_EQ(GetTouchpadEvent(pad(), &m), 1);
    ASSERT_EQ(DelTouchMap(region, pad()), 0);
    plat_sleep_ms(400);
    EXPECT_EQ(GetTouchpadEvent(pad(), &m), 0);
    EXPECT_EQ(m.pObject, nullptr);
}

TEST_F(TouchTest, TouchThreadDeliversMatchedTouchesUnlessLocked)
{
    ASSERT_NE(_AddTouchMap(400, 240, 100, 60, 1, 5, &a_, pad()), nullptr);
    ASSERT_EQ(plat_thread_create(&thread_, thread_routine_touch, pad(), "touch"), 0);
    auto& panel = bed_->instrument().touch();
    GUITOUCHMSG m{};
    panel.touch_down(420, 250);
    plat_sleep_ms(100);
    ASSERT_EQ(GetTouchpadEvent(pad(), &m), 1);
    EXPECT_EQ(m.pObject, &a_);
    EXPECT_EQ(m.wId, 5);
    panel.touch_up(420, 250);
    plat_sleep_ms(100);
    EXPECT_EQ(GetTouchpadEvent(pad(), &m), 2);
    panel.touch_down(10, 10); // no region there
    plat_sleep_ms(100);
    EXPECT_EQ(ReadEventMsg(&m), 0);
    panel.touch_up(10, 10);
    touch_thread_lock();
    panel.touch_down(420, 250);
    plat_sleep_ms(100);
    EXPECT_EQ(ReadEventMsg(&m), 0);
    touch_thread_unlock();
    panel.touch_up(420, 250);
    plat_sleep_ms(100);
    EXPECT_EQ(GetTouchResetFlag(), 1); // region id 5 carries the reset meaning
    // Deleting the regions drops what was matched for them.
    panel.touch_down(420, 250);
    plat_sleep_ms(100);
    DelTouchMapList(pad());
    EXPECT_EQ(ReadEventMsg(&m), 0);
    SetTouchThreadSlot(&thread_);
    ReleaseTouchpadResource(); // stops and joins the thread first
    EXPECT_EQ(thread_, 0u);
    SetTouchThreadSlot(nullptr);
}

TEST_F(TouchTest, EventGroupsAreCheckedBeforeUse)
{
    ASSERT_NE(_AddTouchMap(400, 240, 100, 60, 1, 1, &a_, pad()), nullptr);
    ASSERT_NE(_AddTouchMap(100, 100, 40, 40, 1, 2, &b_, pad()), nullptr);
    ASSERT_EQ(plat_thread_create(&thread_, thread_routine_touch, pad(), "touch"), 0);
    auto& panel = bed_->instrument().touch();
    auto ev = [&](uint16_t type, uint16_t code, int32_t v) {
        TouchInputEvent e{};
        e.wType = type;
        e.wCode = code;
        e.iValue = v;
        panel.push_event(e);
    };
    GUITOUCHMSG m{};
    // Stray events before a group are read over.
    ev(3, 0, 5);
    ev(0, 0, 0);
    ev(1, 330, 1), ev(3, 0, 410), ev(3, 1, 250), ev(0, 0, 0);
    plat_sleep_ms(100);
    ASSERT_EQ(ReadEventMsg(&m), 1);
    EXPECT_EQ(m.pObject, &a_);
    // A group that does not end in a synchronisation event is not used.
    ev(1, 330, 1), ev(3, 0, 100), ev(3, 1, 100), ev(3, 0, 0);
    plat_sleep_ms(100);
    EXPECT_EQ(ReadEventMsg(&m), 0);
    // A group that stalls for more than 800 ms starts again with the next key event.
    ev(1, 330, 1), ev(3, 0, 100);
    plat_sleep_ms(900);
    ev(3, 1, 100), ev(0, 0, 0);
    plat_sleep_ms(100);
    EXPECT_EQ(ReadEventMsg(&m), 0);
    ev(1, 330, 0), ev(3, 0, 100), ev(3, 1, 100), ev(0, 0, 0); // finger up: the last point is kept
    plat_sleep_ms(100);
    ASSERT_EQ(ReadEventMsg(&m), 1);
    EXPECT_EQ(m.wState, 2);
    EXPECT_EQ(m.pObject, &a_);
}

TEST_F(GuiTest, DeviceRegistryHoldsAtMost64Handles)
{
    std::vector<int> fds;
    const uint32_t open_before = pDeviceList->lCount;
    for (uint32_t i = open_before; i < 64; ++i)
        fds.push_back(GuiDevOpen(DEV_FRAME, O_RDWR));
    for (int fd : fds)
        EXPECT_GE(fd, 0);
    EXPECT_EQ(GuiDevOpen(DEV_FRAME, O_RDWR), -1);
    EXPECT_EQ(GetLastError().lCode, 2u);
    for (int fd : fds)
        EXPECT_EQ(GuiDevClose(fd), 0);
}

TEST_F(TouchTest, MenuRegistersOneRegionPerVisibleItem)
{
    GUIMENU* menu = BuildStdMenu(9);
    ASSERT_NE(menu, nullptr);
    std::vector<GUISTRING*> texts;
    for (int i = 0; i < 9; ++i) {
        texts.push_back(StrAsciiTrans("item", 15, 1));
        _MenuItemAdd(nullptr, texts.back(), nullptr, menu);
    }
    EXPECT_EQ(AddTouchMap_Menu(menu, pad()), 7);
    GUITOUCHMAP* third = MatchTouchMapList(226 + 10, 57 + 2 * (54 + 2) + 27, pad());
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->wType, 2);
    EXPECT_EQ(Match_ButtonInMenu(static_cast<GUIBUTTON*>(third->pObject), menu), 3);
    DelTouchMapList(pad());
    DeleteMenuDirect(menu);
    for (GUISTRING* s : texts)
        DeleteStringDirect(s);
}

} // namespace
