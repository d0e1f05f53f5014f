// The passwords: what matches, how they are stored, changing them on the password screen by keys
// and by touch, and the prompt in front of a locked menu, which nothing gets past without the
// password.
#include "forms/frmsyspassword.h"
#include "forms/menulock.h"
#include "forms/password.h"
#include "systemtest.h"
#include "texts/textres.h"

namespace
{

TEST(Password, OnlyTheExactStoredDigitsMatch)
{
    formtest::Unit u;
    ASSERT_EQ(PasswordStore(PASSWORD_MENU_LOCK, "0246"), 0);
    const struct {
        const char* typed;
        bool match;
    } cases[] = {
        {"0246", true}, {"1357", false}, {"", false},     {"02460", false},
        {"024", false}, {"246", false},  {"02a6", false}, {"0000", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasswordMatches(PASSWORD_MENU_LOCK, c.typed), c.match) << '"' << c.typed << '"';
    EXPECT_FALSE(PasswordMatches(PASSWORD_POWER_ON, "0246")) << "each kind has its own password";
    // Only a switch set outside the unit asks for a password never set: the default opens it.
    EXPECT_FALSE(PasswordIsSet(PASSWORD_FORMAT));
    EXPECT_TRUE(PasswordMatches(PASSWORD_FORMAT, PASSWORD_DEFAULT));
    EXPECT_FALSE(PasswordMatches(PASSWORD_FORMAT, ""));
}

TEST(Password, StoredWordKeepsLeadingZerosAndRefusesWhatIsNoPassword)
{
    const struct {
        const char* digits;
        uint32_t word;
    } encode[] = {
        {"0000", 0x11110000}, {"12345678", 0x23456789}, {"90", 0}, {"007", 0}, {"123456789", 0}, {"12a4", 0},
    };
    for (const auto& c : encode) {
        EXPECT_EQ(PasswordEncode(c.digits), c.word) << c.digits;
        if (c.word) {
            EXPECT_EQ(PasswordDecode(c.word), c.digits);
        }
    }
    // A blank chip, a digit after the end, a nibble that is no digit, too few digits.
    for (uint32_t word : {0u, 0xFFFFFFFFu, 0x11101000u, 0x1B110000u, 0x11100000u})
        EXPECT_EQ(PasswordDecode(word), "") << std::hex << word;
}

// The settings rows: 0 power-on password, 1 its switch, 2 menu lock password, 3 format password.
TEST(SysPassword, ChangingAPasswordChecksTheOldOneAndTheNewOneTwice)
{
    formtest::Unit u;
    const struct {
        const char* name;
        std::vector<std::string> entries; // old (when one is set), new, new again
        const char* stored;
        uint32_t message;
    } cases[] = {
        {"first password, no old one asked", {"2468", "2468"}, "2468", TXT_PASSWORD_CHANGED},
        {"wrong old password", {"1111"}, "2468", TXT_WRONG_PASSWORD},
        {"empty old password", {""}, "2468", TXT_WRONG_PASSWORD},
        {"new one typed differently", {"2468", "1357", "1358"}, "2468", TXT_PASSWORDS_DIFFER},
        {"new one too short", {"2468", "135"}, "2468", TXT_PASSWORD_LENGTH},
        {"changed", {"2468", "13579", "13579"}, "13579", TXT_PASSWORD_CHANGED},
    };
    for (const auto& c : cases) {
        u.tap(300, systest::DOWN);
        u.tap(550, systest::DOWN);
        u.tap(800, "confirm");
        uint64_t at = 1100;
        for (const std::string& e : c.entries)
            at = systest::type_by_keys(u, at, e);
        // Cancel leaves an entry for the list of passwords, and the list for the settings.
        if (c.message != TXT_PASSWORD_CHANGED) u.tap(at, "cancel"), at += 300;
        u.tap(at, "cancel");
        EXPECT_EQ(systest::run_password_form(PASSWORD_MODE_SETTINGS), 6u) << c.name;
        EXPECT_EQ(SysPasswordMessage(), c.message) << c.name;
        EXPECT_EQ(systest::le32(systest::machine_page(), 36), PasswordEncode(c.stored)) << c.name;
    }
}

TEST(SysPassword, TouchSetsTheFormatPasswordAndThePowerOnSwitchNeedsItsPassword)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    // The switch row first: without a power-on password it stays off.
    touch.tap(300, 400, 64 + 1 * 48 + 20);
    u.tap(800, "cancel");
    EXPECT_EQ(systest::run_password_form(PASSWORD_MODE_SETTINGS), 6u);
    EXPECT_EQ(SysPasswordMessage(), TXT_SET_PASSWORD_FIRST);
    EXPECT_EQ(systest::le32(systest::machine_page(), 72), 0u);

    touch.tap(300, 400, 64 + 3 * 48 + 20);
    uint64_t at = systest::type_by_touch(touch, 800, "9753");
    at = systest::type_by_touch(touch, at, "9753");
    u.tap(at, "cancel");
    EXPECT_EQ(systest::run_password_form(PASSWORD_MODE_SETTINGS), 6u);
    EXPECT_EQ(SysPasswordMessage(), TXT_PASSWORD_CHANGED);
    EXPECT_EQ(systest::le32(systest::machine_page(), 118), PasswordEncode("9753"));
}

TEST(SysPassword, ALockedMenuOpensOnlyWithThePassword)
{
    formtest::Unit u;
    ASSERT_EQ(PasswordStore(PASSWORD_MENU_LOCK, "2468"), 0);
    ASSERT_EQ(MenuLockSet(0, true), 0); // splice modes

    // The root menu's splice-mode tile leads to the prompt, not to the menu.
    u.tap(300, systest::RIGHT);
    u.tap(600, "confirm");
    EXPECT_EQ(formtest::run_form(frmRootmenu), 4u);
    EXPECT_EQ(frmRootmenu->pNext, frmSysPassword);
    EXPECT_EQ(frmSysPassword->lParam, PASSWORD_MODE_ASK);

    const struct {
        const char* name;
        const char* typed;
        bool opens;
    } cases[] = {
        {"wrong", "1357", false},    {"empty", "", false},      {"too long", "24680", false},
        {"too short", "246", false}, {"correct", "2468", true},
    };
    for (const auto& c : cases) {
        SysPasswordAsk(frmRootmenu, PASSWORD_MENU_LOCK, frmSplice);
        frmSysPassword->pNext = nullptr;
        uint64_t at = systest::type_by_keys(u, 300, c.typed);
        if (!c.opens) {
            // Every other key, then Cancel: back to the menu that asked, never into the locked one.
            for (const char* k :
                 {"run", "menu", "heat", "arc", "view", systest::UP, "confirm", systest::LEFT, "confirm"})
                u.tap(at, k), at += 250;
            u.tap(at, "cancel");
        }
        EXPECT_EQ(systest::run_password_form(PASSWORD_MODE_ASK), c.opens ? 4u : 6u) << c.name;
        EXPECT_EQ(frmSysPassword->pNext == frmSplice, c.opens) << c.name;
        if (!c.opens) {
            EXPECT_EQ(SysPasswordMessage(), TXT_WRONG_PASSWORD) << c.name;
        }
    }
    // Back from the opened menu, the prompt is passed on the way to the menu that asked.
    frmSysPassword->lReason = FORM_BACK;
    frmSysPassword->fnInitialize();
    EXPECT_EQ(frmSysPassword->bInit, 0);
}

TEST(MenuLock, TheFormsThatAskAPassword)
{
    formtest::Unit u;
    EXPECT_EQ(PasswordNeededFor(frmSplice), -1);
    EXPECT_EQ(PasswordNeededFor(frmMenuLock), -1) << "nothing to protect before a password is set";
    EXPECT_EQ(PasswordNeededFor(frmSysFormat), -1);
    ASSERT_EQ(PasswordStore(PASSWORD_MENU_LOCK, "2468"), 0);
    ASSERT_EQ(PasswordStore(PASSWORD_FORMAT, "1357"), 0);
    ASSERT_EQ(MenuLockSet(1, true), 0); // maintenance
    const struct {
        GUIWINDOW* form;
        int kind;
    } cases[] = {
        {frmMaintain, PASSWORD_MENU_LOCK},
        {frmMaintUpdate, PASSWORD_MENU_LOCK}, // also by its hidden keys
        {frmSplice, -1},
        {frmHeater, -1},
        {frmMenuLock, PASSWORD_MENU_LOCK},
        {frmSysFormat, PASSWORD_FORMAT},
        {frmSysPassword, -1},
        {frmInformation, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasswordNeededFor(c.form), c.kind) << FormName(c.form);
}

} // namespace
