// The error display: which text a code shows, the bar's place and its removal, the operator's
// answers in the wait, the touch lock, and codes that show nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "devices/dev_internal.h"
#include "errors/errorinfo.h"
#include "formmodel/forms.h"
#include "formmodel/global_source.h"
#include "gui/gui.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/dev_simple.h"
#include "sim/display.h"
#include "sim/trace.h"
#include "tests/app/apptest.h"
#include "tests/support/screens.h"
#include "texts/textres.h"

namespace
{

// Codes of a string as text; the degree sign (0xBA) shows as '°'.
std::string text_of(const GUISTRING* s)
{
    std::string out;
    if (!s) return out;
    for (uint16_t i = 0; i < s->wLength; ++i) {
        const uint16_t c = s->pText[i];
        if (c == 0xBA)
            out += "°";
        else if (c < 128)
            out += char(c);
        else
            out += "<" + std::to_string(c) + ">";
    }
    return out;
}

std::string error_text(int code, int language)
{
    GUISTRING* s = GetErrorText(code, language);
    std::string t = text_of(s);
    DeleteStringDirect(s);
    return t;
}

// What the language's own file says for a code, "Error N" when it has nothing.
std::string resource_text(int code, int language)
{
    GUISTRING* s = GetTextResource(uint32_t(code), 15, 1, language);
    std::string t = s && s->wLength ? text_of(s) : "Error " + std::to_string(code);
    DeleteStringDirect(s);
    return t;
}

void set_cleave_limit(uint8_t limit)
{
    APPSPLICE mode{};
    for (int n = 1; n <= 64; ++n) {
        if (ReadMode_Splice(n, &mode) != 0 || !mode.bModeActive) continue;
        mode.bCleaveLimit = limit;
        WriteMode_Splice(n, &mode);
        return;
    }
    FAIL() << "no active splice mode";
}

// Keys of the instrument's keypad (raw key numbers of the standard map).
constexpr uint16_t kRawReset = 28, kRawCancel = 17, kRawConfirm = 9, kRawRun = 37;

class ErrorDisplay : public ::testing::Test
{
  protected:
    apptest::Unit unit;
    GUIWINDOW wnd{};
    GUIWINDOW* savedWorkbench = frmWorkbench;
    plat_thread_t touchThread = 0;

    void SetUp() override
    {
        wnd.pFrmFore = GetFrameObject("_FORE_FRM");
        wnd.pFrmBack = GetFrameObject("_BACK_FRM");
        wnd.pKeypad = GetKeypadObject(DEV_KEY);
        ClearErrorFlag();
        ClearResetFlag();
        _SetUserMode(0);
        SetTypeInfo(0);
        touch_thread_unlock();
        sim::clear_trace();
        // A key-code queue left open by an earlier test bed is stale in this one.
        RemoveMessageQueue();
    }
    void TearDown() override
    {
        if (GetErrorFlag() || GetErrorBarRect(nullptr)) ClearErrorInfo(&wnd);
        if (touchThread) plat_thread_stop(touchThread);
        if (GUITOUCHPAD* pad = GetTouchpadObject(DEV_TOUCH)) DelTouchMapList(pad);
        ClearEventMsg();
        touch_thread_unlock();
        _SetUserMode(0);
        SetTypeInfo(0);
        frmWorkbench = savedWorkbench;
        RemoveMessageQueue();
    }

    sim::Instrument& inst() { return unit.tb.instrument(); }
    GUIFRAME* fore() { return wnd.pFrmFore; }

    void start_touch()
    {
        ASSERT_EQ(
            plat_thread_create(&touchThread, thread_routine_touch, GetTouchpadObject(DEV_TOUCH), "touch"), 0);
    }
    // A key held for 100 ms (a press and its release in one poll make no event).
    void key(uint16_t raw)
    {
        inst().keys().press(raw);
        plat_sleep_ms(100);
        inst().keys().release(raw);
    }
    void tap(int x, int y)
    {
        inst().touch().touch_down(x, y);
        plat_sleep_ms(100);
        inst().touch().touch_up(x, y);
    }

    // Shows `code`, runs the operator's wait with `input` 500 ms in, and answers after 5 s with
    // Cancel when the input did not end the wait. Returns how long the wait lasted (ms).
    uint64_t wait_with(int code, std::function<void()> input)
    {
        PutErrorInfo(code, &wnd);
        const uint64_t start = plat_monotonic_ms();
        unit.tb.after_ms(500, std::move(input));
        auto answer = unit.tb.after_ms(5000, [this] { key(kRawCancel); });
        ProcErrorInfo(1, &wnd);
        const uint64_t took = plat_monotonic_ms() - start;
        resetAfter = GetResetFlag() != 0;
        unit.tb.cancel(answer); // not needed when the input ended the wait
        // Let the input end (releases), then forget what is left of it for the next round.
        plat_sleep_ms(300);
        while (GetKeypadEvent(wnd.pKeypad) & 0xFF) {
        }
        ClearResetFlag();
        ClearEventMsg();
        return took;
    }
    bool resetAfter = false; // the key driver's reset flag when the wait ended
};

TEST_F(ErrorDisplay, TextChoice)
{
    // Language 4 gets the built-in end-face texts; other languages their own text.
    const char* const endface[] = {
        "Left Endface bulge",    "Right Endface bulge",    "Left and Right Endface bulge",
        "Left Core Shrink",      "Right Core Shrink",      "PLEASE REPOSITION FIBER!",
        "Both Fiber Core Dirty", "Both Fiber Core Shrink", "Both Fiber Core Shapes Wrong"};
    for (int code = 522; code <= 530; ++code) {
        EXPECT_EQ(error_text(code, LANG_JAPANESE), endface[code - 522]) << code;
        for (int lang : {LANG_ENGLISH, LANG_CHINESE_SIMPLIFIED, LANG_GERMAN})
            EXPECT_EQ(error_text(code, lang), resource_text(code, lang)) << code << " in " << lang;
    }
    // 768 to 773 (but 772) are built in for every language.
    struct Fixed {
        int code;
        const char* text;
    } fixed[] = {{768, "PLEASE CLOSE WINDSCREEN AND SET!"},
                 {769, "PLEASE REMOVE FIBER AND SET!"},
                 {770, "X FOCUS MOTOR DAMAGED!"},
                 {771, "Y FOCUS MOTOR DAMAGED!"},
                 {773, "Calculation Failed"}};
    for (const Fixed& f : fixed)
        for (int lang : {LANG_ENGLISH, LANG_CHINESE_SIMPLIFIED, LANG_JAPANESE})
            EXPECT_EQ(error_text(f.code, lang), f.text) << f.code << " in " << lang;
    EXPECT_EQ(error_text(772, LANG_ENGLISH), resource_text(772, LANG_ENGLISH));
    // No text at all: the bar names the code, whatever the language.
    EXPECT_EQ(error_text(60000, LANG_ENGLISH), "Error 60000");
    EXPECT_EQ(error_text(-5, LANG_ENGLISH), "Error -5");
    EXPECT_EQ(error_text(240, 200), "Error 240"); // a language that is not in the table
    EXPECT_EQ(GetErrorText(0, LANG_ENGLISH), nullptr);
    EXPECT_EQ(GetErrorText(2, LANG_ENGLISH), nullptr);
}

TEST_F(ErrorDisplay, CleaveAngleCarriesTheLimit)
{
    for (auto [limit, shown] : {std::pair{30, "3.0"}, std::pair{15, "1.5"}}) {
        set_cleave_limit(uint8_t(limit));
        const std::string expect = resource_text(242, LANG_ENGLISH) + " (>" + shown + "°)";
        EXPECT_EQ(error_text(242, LANG_ENGLISH), expect) << limit;
    }
    // Other codes get nothing appended.
    EXPECT_EQ(error_text(241, LANG_ENGLISH), resource_text(241, LANG_ENGLISH));
}

TEST_F(ErrorDisplay, BarPlaceAndRemoval)
{
    struct Case {
        const char* what;
        int user, type;
        ErrorBarRect rect;
    } cases[] = {
        {"workbench layout", 0, 0, {60, 210, 680, 60}},
        {"display type 8", 0, 8, {0, 210, 800, 60}},
        {"factory (user mode)", 1, 0, {0, 420, 800, 60}},
        {"factory on type 8", 1, 8, {0, 420, 800, 60}},
    };
    GUIFRAME* f = fore();
    ASSERT_NE(f, nullptr);
    for (const Case& c : cases) {
        // A form's picture: a pattern everywhere, so anything the bar leaves behind shows.
        for (uint32_t i = 0; i < f->lSize; ++i)
            f->pBuffer[i] = uint8_t(i % 7 + 10);
        _FrameBufferMix(0, 480, f, wnd.pFrmBack);
        const std::vector<uint8_t> before(f->pBuffer, f->pBuffer + f->lSize);
        _SetUserMode(uint8_t(c.user));
        SetTypeInfo(c.type);

        PutErrorInfo(240, &wnd);
        ErrorBarRect r{};
        ASSERT_TRUE(GetErrorBarRect(&r)) << c.what;
        EXPECT_EQ(r.x, c.rect.x) << c.what;
        EXPECT_EQ(r.y, c.rect.y) << c.what;
        EXPECT_EQ(r.w, c.rect.w) << c.what;
        EXPECT_EQ(r.h, c.rect.h) << c.what;
        // The bar's face is yellow near its right end, on the page shown; nothing outside changed.
        const uint32_t page = sim::display_state().fore_page;
        EXPECT_EQ(GetFramePixel(f, uint16_t(r.x + r.w - 6), uint16_t(r.y + 30)), 246u) << c.what;
        EXPECT_EQ(sim::display_page_pixel(true, page, r.x + r.w - 6, r.y + 30), 246u) << c.what;
        size_t changedOutside = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 800; ++x) {
                const bool inside = x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
                if (!inside && f->pBuffer[y * 800 + x] != before[size_t(y) * 800 + x]) ++changedOutside;
            }
        EXPECT_EQ(changedOutside, 0u) << c.what;
        // The error background is shown behind the bar while it is up.
        EXPECT_EQ(sim::display_state().back_page, c.user ? 3u : 2u) << c.what;

        ProcErrorInfo(0, &wnd);
        EXPECT_FALSE(GetErrorBarRect(nullptr)) << c.what;
        EXPECT_EQ(std::memcmp(f->pBuffer, before.data(), f->lSize), 0) << c.what << ": the form is back";
        EXPECT_EQ(sim::display_page_pixel(true, page, c.rect.x + c.rect.w - 6, c.rect.y + 30),
                  before[size_t(c.rect.y + 30) * 800 + c.rect.x + c.rect.w - 6])
            << c.what;
        EXPECT_EQ(GetErrorFlag(), 1) << c.what << ": without wait the flag stays for the caller";
        ClearErrorInfo(&wnd);
        EXPECT_EQ(GetErrorFlag(), 0);
        EXPECT_EQ(sim::display_state().back_page, uint32_t(_bFramePage)) << c.what;
    }
}

TEST_F(ErrorDisplay, BarWithoutItsResourcesIsStillABar)
{
    auto count_in_bar = [this](uint32_t index) {
        ErrorBarRect r{};
        size_t n = 0;
        if (!GetErrorBarRect(&r)) return n;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                n += GetFramePixel(fore(), uint16_t(x), uint16_t(y)) == index;
        return n;
    };
    _FrameBufferClear(fore());
    // No warning icon on the flash: the text alone.
    ASSERT_EQ(std::remove(unit.tb.path("/mnt/bitmap/Miscellaneous/IcnWarnNormal.bmp").c_str()), 0);
    PutErrorInfo(240, &wnd);
    EXPECT_GT(count_in_bar(78), 50u) << "text in the bar's font colour";
    EXPECT_GT(count_in_bar(246), 60u * 600u);
    ProcErrorInfo(0, &wnd);
    ClearErrorInfo(&wnd);
    // No font to lay the text out with: still the bar's face, and the message is pending.
    DeleteFontIndirect("_TXT_MEG");
    PutErrorInfo(241, &wnd);
    EXPECT_EQ(count_in_bar(246), 680u * 60u);
    EXPECT_EQ(GetErrorFlag(), 1);
    EXPECT_EQ(sim::trace_value("error"), "241");
    ProcErrorInfo(0, &wnd);
    ClearErrorInfo(&wnd);
}

TEST_F(ErrorDisplay, WithoutWaitTheBarStaysThreeSeconds)
{
    PutErrorInfo(247, &wnd);
    EXPECT_EQ(sim::trace_value("error"), "247");
    const uint64_t start = plat_monotonic_ms();
    ProcErrorInfo(0, &wnd);
    EXPECT_EQ(plat_monotonic_ms() - start, 3000u);
    EXPECT_EQ(GetErrorFlag(), 1);
    ClearErrorInfo(&wnd);
    EXPECT_EQ(sim::trace_value("error"), "");
}

TEST_F(ErrorDisplay, KeyAnswers)
{
    struct Case {
        const char* what;
        uint16_t raw;
        bool workbench;
        bool ends;
        int flag;
    } cases[] = {
        {"Reset", kRawReset, true, true, 1},
        {"Cancel", kRawCancel, true, true, 1},
        {"Confirm on the workbench", kRawConfirm, true, true, 0},
        {"Run on the workbench", kRawRun, true, true, 0},
        {"Confirm elsewhere is ignored", kRawConfirm, false, false, 1},
        {"Run elsewhere is ignored", kRawRun, false, false, 1},
        {"Cancel elsewhere", kRawCancel, false, true, 1},
        {"Up does nothing", 1, true, false, 1},
    };
    for (const Case& c : cases) {
        frmWorkbench = c.workbench ? &wnd : savedWorkbench;
        ClearResetFlag();
        const uint64_t took = wait_with(240, [this, raw = c.raw] { key(raw); });
        if (c.ends) {
            EXPECT_GE(took, 500u) << c.what;
            EXPECT_LT(took, 1000u) << c.what;
        } else {
            EXPECT_GE(took, 5000u) << c.what;
        }
        EXPECT_EQ(GetErrorFlag(), c.flag) << c.what;
        EXPECT_FALSE(GetErrorBarRect(nullptr)) << c.what << ": the bar is gone after the wait";
        ClearErrorInfo(&wnd);
    }
}

TEST_F(ErrorDisplay, TouchAnswers)
{
    GUITOUCHPAD* pad = GetTouchpadObject(DEV_TOUCH);
    ASSERT_NE(pad, nullptr);
    start_touch();
    // Buttons of a form along the top, ids 3 to 7; presses run their push routine.
    static int pushes, reverts;
    GUIBUTTON buttons[5]{};
    for (int i = 0; i < 5; ++i) {
        buttons[i].fnPush = [](GUIBUTTON*) -> GUIFRAME* { return ++pushes, nullptr; };
        buttons[i].fnRevert = [](GUIBUTTON*) -> GUIFRAME* { return ++reverts, nullptr; };
        ASSERT_NE(_AddTouchMap(uint16_t(100 + 120 * i), 60, 100, 80, 1, uint16_t(3 + i), &buttons[i], pad),
                  nullptr);
    }
    auto x_of = [](int id) { return 100 + 120 * (id - 3); };
    struct Case {
        const char* what;
        int id;
        bool workbench;
        bool ends;
        int flag;
        bool reset;
    } cases[] = {
        {"id 3 ends", 3, true, true, 1, false},
        {"id 4 on the workbench continues", 4, true, true, 0, false},
        {"id 7 on the workbench continues", 7, true, true, 0, false},
        {"id 4 elsewhere is ignored", 4, false, false, 1, false},
        {"id 7 elsewhere is ignored", 7, false, false, 1, false},
        {"id 5 raises the reset flag", 5, false, true, 1, true},
        {"id 6 does nothing", 6, true, false, 1, false},
    };
    for (const Case& c : cases) {
        frmWorkbench = c.workbench ? &wnd : savedWorkbench;
        ClearResetFlag();
        pushes = reverts = 0;
        inst().beep().clear_sounds();
        const uint64_t took = wait_with(240, [this, x = x_of(c.id)] { tap(x, 60); });
        if (c.ends) {
            EXPECT_LT(took, 1000u) << c.what;
        } else {
            EXPECT_GE(took, 5000u) << c.what;
        }
        EXPECT_EQ(GetErrorFlag(), c.flag) << c.what;
        EXPECT_EQ(resetAfter, c.reset) << c.what;
        EXPECT_EQ(pushes, 1) << c.what;
        EXPECT_EQ(reverts, 1) << c.what;
        // The error sound, the touch click (number 1 of sound 20), and Cancel's click when it ended.
        const auto sounds = inst().beep().sounds();
        ASSERT_GE(sounds.size(), 2u) << c.what;
        EXPECT_EQ(sounds[0].number, 3u) << c.what;
        EXPECT_EQ(sounds[1].number, 1u) << c.what;
        ClearErrorInfo(&wnd);
    }
}

TEST_F(ErrorDisplay, CoverOpeningEndsTheWait)
{
    auto& misc = inst().misc();
    const uint64_t took = wait_with(240, [&misc] { misc.set_cover_open(true); });
    EXPECT_LT(took, 1000u);
    EXPECT_EQ(GetErrorFlag(), 1);
    ClearErrorInfo(&wnd);
    // Already open when the message came: the message stays until the operator answers.
    const uint64_t stayed = wait_with(768, [] {});
    EXPECT_GE(stayed, 5000u);
    EXPECT_EQ(GetErrorFlag(), 1);
    ClearErrorInfo(&wnd);
    misc.set_cover_open(false);
}

TEST_F(ErrorDisplay, TouchLockRestored)
{
    struct Case {
        const char* what;
        int user;
        uint8_t before;
        int factoryBar;
        int puts;
    } cases[] = {
        {"factory screen, touch on", 1, 1, 1, 1},
        {"factory screen, touch disabled in the settings", 1, 0, 1, 1},
        {"factory screen cleared without the key bar", 1, 1, 0, 1},
        {"a second message before the first was cleared", 1, 1, 1, 2},
        {"workbench leaves the lock alone", 0, 1, 0, 1},
        {"workbench with touch disabled", 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        _SetUserMode(uint8_t(c.user));
        if (c.before)
            touch_thread_unlock();
        else
            touch_thread_lock();
        for (int i = 0; i < c.puts; ++i)
            PutErrorInfo(244 + i, &wnd);
        EXPECT_EQ(_touch_thread_flag.load(), c.user ? 0 : c.before) << c.what;
        ProcErrorInfoEx(0, &wnd, c.factoryBar);
        ClearErrorInfoEx(&wnd, c.factoryBar);
        EXPECT_EQ(_touch_thread_flag.load(), c.before) << c.what;
    }
}

TEST_F(ErrorDisplay, CodesThatShowNothingAndTheBrightnessMonitor)
{
    for (int code : {0, 2}) {
        PutErrorInfo(code, &wnd);
        EXPECT_EQ(GetErrorFlag(), 0) << code;
        EXPECT_FALSE(GetErrorBarRect(nullptr)) << code;
        EXPECT_TRUE(inst().beep().sounds().empty()) << code;
        EXPECT_EQ(sim::trace_value("error"), "") << code;
    }
    // 259 does not stack on a pending message, and shows once that one is cleared.
    PutErrorInfo(240, &wnd);
    inst().beep().clear_sounds();
    EXPECT_NE(PutErrorInfo(259, &wnd), 0);
    EXPECT_EQ(sim::trace_value("error"), "240");
    EXPECT_TRUE(inst().beep().sounds().empty());
    ProcErrorInfo(0, &wnd);
    EXPECT_NE(PutErrorInfo(259, &wnd), 0) << "the flag is still set until the caller clears";
    ClearErrorInfo(&wnd);
    EXPECT_EQ(PutErrorInfo(259, &wnd), 0);
    EXPECT_EQ(sim::trace_value("error"), "259");
    EXPECT_EQ(inst().beep().sounds().size(), 1u);
}

// The bar on the workbench's background and on a factory screen, compared with their references.
using ErrorBarScreens = ErrorDisplay;

TEST_F(ErrorBarScreens, MatchTheirReferences)
{
    InitializeGlobalSource();
    GUIIMAGE* bg = CreateImageDirect(1, 24, 0, 800, 480, 0, 0, 0, "bitmap/Workbench/BackWork.bmp");
    ASSERT_NE(bg, nullptr);
    _ImageDirectPut(bg);
    DeleteImageDirect(bg);
    _FrameBufferClear(fore());
    _FrameBufferMix(0, 480, fore(), wnd.pFrmBack);
    _FrameBufferRelocate(fore(), wnd.pFrmBack);
    set_cleave_limit(30);
    PutErrorInfo(242, &wnd);
    EXPECT_SCREEN("error_bar_workbench");
    ProcErrorInfo(0, &wnd);
    ClearErrorInfo(&wnd);
    PutErrorInfo(60123, &wnd);
    EXPECT_SCREEN("error_bar_no_text");
    ProcErrorInfo(0, &wnd);
    ClearErrorInfo(&wnd);
    // Texts from the language files, in their own glyphs (where the files are generated).
    for (auto [lang, name] : {std::pair{LANG_RUSSIAN, "error_bar_russian"},
                              std::pair{LANG_CHINESE_SIMPLIFIED, "error_bar_chinese"}}) {
        if (SyncLanguageChange(lang) != 0) continue;
        PutErrorInfo(242, &wnd);
        EXPECT_SCREEN(name);
        ProcErrorInfo(0, &wnd);
        ClearErrorInfo(&wnd);
    }
    SyncLanguageChange(LANG_ENGLISH);
    _SetUserMode(1);
    PutErrorInfo(768, &wnd);
    EXPECT_SCREEN("error_bar_factory");
    ProcErrorInfoEx(0, &wnd, 1);
    ClearErrorInfoEx(&wnd, 1);
    EXPECT_SCREEN("error_bar_factory_cleared");
    ReleaseGlobalSource();
}

} // namespace
