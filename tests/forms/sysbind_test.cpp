// The server binding screen with a double of the server's side: a pending request accepted or
// refused by keys and touch, no answer without a request, and its screen.
#include <optional>

#include "formflow.h"
#include "forms/frmsysbind.h"
#include "formtest.h"
#include "netdouble.h"
#include "tests/support/screens.h"

namespace
{

TEST(SysBind, AnswersOnlyAPendingRequest)
{
    formtest::Unit u;
    formtest::NetDouble net;
    const struct {
        const char* name;
        int request;
        bool touch; // else keys
        int button; // 0 accept, 1 refuse
        int answer;
        const char* message;
    } cases[] = {
        {"accepted by key", 1, false, 0, 1, "Accepted: the answer goes to the server"},
        {"refused by key", 1, false, 1, 2, "Refused: the answer goes to the server"},
        {"refused by touch", 1, true, 1, 2, "Refused: the answer goes to the server"},
        {"nothing to answer", 0, false, 0, 0, "There is no binding request to answer"},
    };
    for (const auto& c : cases) {
        net.bindState = c.request ? 0 : 2;
        net.bindRequest = c.request;
        net.bindAnswer = 0;
        std::optional<formtest::Touch> touch;
        if (c.touch) {
            touch.emplace(u);
            touch->tap(300, 310 + c.button * 180, 400); // Accept at x 230..389, Refuse 410..569
        } else {
            if (c.button) u.tap(300, "left"); // at the front: right
            u.tap(700, "confirm");
        }
        u.tap(1500, "cancel");
        EXPECT_EQ(formtest::run_form(frmSysBind), 6u) << c.name;
        EXPECT_EQ(net.bindAnswer, c.answer) << c.name;
        EXPECT_EQ(SysBindMessage(), c.message) << c.name;
    }
}

TEST(Screens, SysBind)
{
    formtest::Unit u;
    formtest::NetDouble net;
    net.bindState = 0;
    net.bindRequest = 1;
    WND_ACTIVE = frmSysBind;
    frmSysBind->fnInitialize();
    frmSysBind->fnPaint();
    EXPECT_SCREEN("sysbind");
    frmSysBind->fnRelease();
}

} // namespace
