// The form loop's code table, driven by fake forms whose Process returns scripted codes.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "app/formloop.h"
#include "app/startup.h"
#include "errors/errorinfo.h"
#include "formmodel/forms.h"
#include "gui/global.h"
#include "sim/testbed.h"
#include "texts/textres.h"

namespace {

// Fake forms: A, B, C. Each entry point logs; Process pops the next scripted code.
struct Fake {
    GUIWINDOW w{};
    std::deque<uint32_t> codes;
    bool initSetsFlag = true;
};
Fake g_forms[3];
std::vector<std::string> g_log;

template <int I>
struct Entries {
    static uint32_t init()
    {
        g_log.push_back(std::string(1, char('A' + I)) + ".init");
        if (g_forms[I].initSetsFlag) g_forms[I].w.bInit = 1;
        return 0;
    }
    static uint32_t paint()
    {
        g_log.push_back(std::string(1, char('A' + I)) + ".paint");
        g_forms[I].w.bPaint = 1;
        return 0;
    }
    static uint32_t process()
    {
        g_log.push_back(std::string(1, char('A' + I)) + ".process");
        uint32_t c = 3;
        if (!g_forms[I].codes.empty()) {
            c = g_forms[I].codes.front();
            g_forms[I].codes.pop_front();
        }
        return c;
    }
    static uint32_t release()
    {
        g_log.push_back(std::string(1, char('A' + I)) + ".release");
        g_forms[I].w.bInit = 0;
        g_forms[I].w.bPaint = 0;
        return 0;
    }
};

template <int I>
void reset_form()
{
    g_forms[I] = Fake{};
    GUIWINDOW& w = g_forms[I].w;
    w.fnInitialize = Entries<I>::init;
    w.fnPaint = Entries<I>::paint;
    w.fnProcess = Entries<I>::process;
    w.fnRelease = Entries<I>::release;
}

class FormLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_form<0>();
        reset_form<1>();
        reset_form<2>();
        g_log.clear();
        ClearErrorFlag();
    }
    GUIWINDOW* A = &g_forms[0].w;
    GUIWINDOW* B = &g_forms[1].w;
    GUIWINDOW* C = &g_forms[2].w;
    sim::Testbed tb{sim::Testbed::Options{true}}; // the language files
};

TEST_F(FormLoop, CodeTable)
{
    // Active form is B; its pNext is C and its pPrev is A when the case says so.
    struct Row {
        const char* what;
        uint32_t code;
        bool next, prev;
        char active; // 'A', 'B', 'C'
        int home, running;
        uint32_t reason; // lReason of the new active form
    } rows[] = {
        {"shut down", 1, true, true, 'B', 0, 0, 0},
        {"go home", 2, true, true, 'B', 1, 1, 0},
        {"stay", 3, true, true, 'B', 0, 1, 0},
        {"next (4)", 4, true, true, 'C', 0, 1, 4},
        {"next (5)", 5, true, true, 'C', 0, 1, 5},
        {"next without destination", 4, false, true, 'B', 0, 1, 0},
        {"back", 6, true, true, 'A', 0, 1, 6},
        {"back without back link goes home", 6, true, false, 'B', 1, 1, 0},
        {"code 0 stays", 0, true, true, 'B', 0, 1, 0},
        {"code 8 stays", 8, true, true, 'B', 0, 1, 0},
        {"code 255 stays", 255, true, true, 'B', 0, 1, 0},
    };
    for (auto& r : rows) {
        SetUp();
        B->pNext = r.next ? C : nullptr;
        B->pPrev = r.prev ? A : nullptr;
        C->pPrev = nullptr;
        A->pPrev = nullptr;
        WND_ACTIVE = B;
        FORMLOOP loop;
        FormLoopAct(&loop, r.code);
        GUIWINDOW* expect = r.active == 'A' ? A : r.active == 'B' ? B : C;
        EXPECT_EQ(WND_ACTIVE, expect) << r.what;
        EXPECT_EQ(loop.homeRequest, r.home) << r.what;
        EXPECT_EQ(loop.running, r.running) << r.what;
        EXPECT_EQ(WND_ACTIVE->lReason, r.reason) << r.what;
        if (r.active == 'C') {
            EXPECT_EQ(C->pPrev, B) << r.what;
        }
        if (r.active == 'A') {
            EXPECT_EQ(A->pPrev, nullptr) << r.what << ": the back link is left as it was";
        }
    }
}

TEST_F(FormLoop, LanguageChangeRebuildsTheSameFormInTheNewLanguage)
{
    InitializeGUI(); // the new language's glyphs are loaded into the toolkit
    WND_ACTIVE = B;
    B->lNextLanguage = 4;
    FORMLOOP loop;
    FormLoopAct(&loop, 7);
    EXPECT_EQ(WND_ACTIVE, B);
    EXPECT_EQ(B->pPrev, B);
    EXPECT_EQ(B->lReason, 7u);
    EXPECT_EQ(GetCurrentLanguage(), 4);
    SyncLanguageChange(0);
    ReleaseGUI();
}

TEST_F(FormLoop, GoingHomeClearsAPendingErrorPopup)
{
    WND_ACTIVE = B;
    SetErrorFlag();
    FORMLOOP loop;
    FormLoopAct(&loop, 2);
    EXPECT_EQ(GetErrorFlag(), 0);
    EXPECT_EQ(loop.homeRequest, 1);
}

TEST_F(FormLoop, EveryPassThatReachesProcessEndsWithRelease)
{
    g_forms[0].codes = {4};
    A->pNext = B;
    g_forms[1].codes = {6};
    WND_ACTIVE = A;
    FORMLOOP loop;
    FormLoopPass(&loop);
    FormLoopPass(&loop);
    std::vector<std::string> expect = {"A.init", "A.paint", "A.process", "A.release",
                                       "B.init", "B.paint", "B.process", "B.release"};
    EXPECT_EQ(g_log, expect);
    EXPECT_EQ(WND_ACTIVE, A); // B went back to A
    EXPECT_EQ(A->lReason, 6u);
}

TEST_F(FormLoop, AFormWhoseInitializeFailsLeavesWithCodeSix)
{
    g_forms[1].initSetsFlag = false;
    B->pPrev = A;
    WND_ACTIVE = B;
    FORMLOOP loop;
    EXPECT_EQ(FormLoopPass(&loop), 6u);
    EXPECT_EQ(WND_ACTIVE, A);
    std::vector<std::string> expect = {"B.init"};
    EXPECT_EQ(g_log, expect);

    SetUp();
    g_forms[1].initSetsFlag = false;
    WND_ACTIVE = B; // no back link: home
    FORMLOOP home;
    FormLoopPass(&home);
    EXPECT_EQ(home.homeRequest, 1);
}

TEST_F(FormLoop, OuterLoopReentersHomeUntilShutdown)
{
    // A is home: it goes to B, B goes home, A (rebuilt, checks run again) shuts down.
    g_forms[0].codes = {4, 1};
    A->pNext = B;
    g_forms[1].codes = {2};
    int entered = 0;
    static int* counter;
    counter = &entered;
    FORMLOOP loop;
    RunFormLoop(&loop, A, [](FORMLOOP*) { ++*counter; });
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(loop.running, 0);
    std::vector<std::string> expect = {"A.init",    "A.paint",    "A.process", "A.release", "B.init",
                                       "B.paint",   "B.process",  "B.release", "A.init",    "A.paint",
                                       "A.process", "A.release"};
    EXPECT_EQ(g_log, expect);
}

} // namespace
