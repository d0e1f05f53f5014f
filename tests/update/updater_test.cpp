// The update from a USB stick on the simulated unit: a normal update (new application and
// default parameters, the store reset from them, reboot), downgrades, and every bad package or
// fault ending in the failure state with the installed software as it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "params/param_store.h"
#include "params/param_tables.h"
#include "sim/backend.h"
#include "sim/flash.h"
#include "sim/i2c_chips.h"
#include "sim/request_log.h"
#include "sim/testbed.h"
#include "update/updatepackage.h"
#include "update/updater.h"

namespace
{

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct View : UpdateView {
    std::vector<int> steps, states;
    std::vector<std::string> messages;
    bool confirm = false, usbOut = false;
    void ShowState(int s) override { states.push_back(s); }
    void ShowStep(int n) override { steps.push_back(n); }
    void ShowUsbOut() override { usbOut = true; }
    void ShowMessage(const std::string& t) override { messages.push_back(t); }
    bool ConfirmDowngrade() override { return confirm; }
};

class UpdateTest : public ::testing::Test
{
  protected:
    std::unique_ptr<sim::Testbed> tb;
    void SetUp() override
    {
        sim::Testbed::Options opt;
        opt.copy_assets = true;
        tb = std::make_unique<sim::Testbed>(opt);
        sim::set_call_logging(false);
        fs::create_directories(tb->path("/tmp"));
        fs::create_directories(tb->root() + "/usb");
        sim::set_usb_present(true);
        put(tb->path("/mnt/usr/mcu.hex"), Bytes(64, ':'));
        ASSERT_EQ(GetParameter(OnlineModule), 0); // formats the blank chip
        E2prom_close();
        ASSERT_EQ(GetParameter(OnlineModule), 0);
        boardIsOutChina = 1;
    }
    void TearDown() override
    {
        UpdateRelease();
        E2prom_close();
        Rtc_close();
        tb.reset();
    }
    static Bytes get(const std::string& host)
    {
        std::ifstream in(host, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void put(const std::string& host, const Bytes& b)
    {
        std::ofstream out(host, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    std::array<Bytes, UPD_FILE_COUNT> installed()
    {
        std::array<Bytes, UPD_FILE_COUNT> a;
        for (int f = 0; f < UPD_FILE_COUNT; ++f)
            a[f] = get(tb->path(UpdFileOf(f).installed));
        return a;
    }
    // A package of the installed images with the given versions ("": keep the installed one).
    Bytes package(std::array<std::string, UPD_FILE_COUNT> v, std::array<Bytes, UPD_FILE_COUNT> img = {})
    {
        auto cur = installed();
        for (int f = 0; f < UPD_FILE_COUNT; ++f) {
            if (img[f].empty()) img[f] = cur[f];
            if (v[f].empty()) v[f] = UpdTrailerVersion(cur[f]);
        }
        return UpdBuildPackage(img, v);
    }
    void stick(const Bytes& pkg) { put(tb->root() + "/usb/K7Q2_sw_m6.bin", pkg); }
    std::string log()
    {
        auto b = get(tb->path(UPD_LOG_PATH));
        return std::string(b.begin(), b.end());
    }
    std::string version(int f) { return UpdTrailerVersion(get(tb->path(UpdFileOf(f).installed))); }
    bool leftovers() { return fs::exists(tb->path("/mnt/Update")) || fs::exists(tb->root() + "/ramfs"); }
};

TEST_F(UpdateTest, NewApplicationAndDefaultsAreInstalledAndTheUnitReboots)
{
    // New defaults that differ in one splice mode; the unit's language and arc count are its own.
    Bytes def = get(tb->path("/mnt/usr/Default.par"));
    def.resize(PAR_PART_SIZE);
    uint8_t* mode = def.data() + (PAR_PAGE_SPLICEMODE + 3) * E2PROM_PAGE_SIZE;
    mode[10] ^= 0x55;
    E2prom_SetPageCrc(mode);
    uint8_t* mach = E2promData + PAR_PAGE_MACHINE * E2PROM_PAGE_SIZE;
    mach[8] = 2;
    E2prom_SetPageCrc(mach);
    ASSERT_EQ(E2prom_write_check(PAR_PAGE_MACHINE, mach), 0);
    const auto before = installed();
    std::array<Bytes, UPD_FILE_COUNT> img;
    img[UPD_DEFAULT_PAR] = def;
    stick(package({"", "", "1.20", "P1.01", "", "L9.99"}, img));

    View v;
    testing::internal::CaptureStdout();
    int st = touchOk_Click(v);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(st, UPD_STATE_DONE) << out;
    EXPECT_EQ(v.steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(v.states, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(v.usbOut);
    EXPECT_TRUE(tb->powered_off()) << "rebooted";
    EXPECT_EQ(version(UPD_APP), "1.20");
    EXPECT_EQ(version(UPD_DEFAULT_PAR), "P1.01");
    EXPECT_EQ(version(UPD_LINUXCOM), "L9.99");
    EXPECT_EQ(get(tb->path("/mnt/boot.bin")), before[UPD_BOOT]) << "same version: not replaced";
    for (const char* line :
         {"usr: 1.19---1.20\n", "create appmain\n", "create Default.par\n", "create linuxcom\n",
          "Read default par done\n", "Format parameter successfully\n", "stm32fl: wrote 64 bytes",
          "bufCmd is /mnt/usr/stm32fl -w /mnt/usr/mcu.hex -v -g 0 /dev/ttyS2\r\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    EXPECT_EQ(out.find("create boot.bin"), std::string::npos);
    // The store now holds the new defaults with the unit's language kept.
    auto chip = sim::eeprom_image();
    EXPECT_TRUE(std::equal(mode, mode + E2PROM_PAGE_SIZE,
                           chip.begin() + (PAR_PAGE_SPLICEMODE + 3) * E2PROM_PAGE_SIZE));
    EXPECT_EQ(chip[PAR_PAGE_MACHINE * E2PROM_PAGE_SIZE + 8], 2);
    std::string l = log();
    EXPECT_NE(l.find("> Start Usb Updata \r\n"), std::string::npos);
    EXPECT_NE(l.find("cp -f /tmp/appmain /mnt/ \r\n"), std::string::npos);
    EXPECT_NE(l.find("cp -f /tmp/Default.par /mnt/usr/ \r\n"), std::string::npos);
    EXPECT_NE(l.find("stm32Update status 0 \r\n"), std::string::npos);
    EXPECT_NE(l.find("done, rebooting... \r\n \r\n"), std::string::npos);
    EXPECT_FALSE(leftovers());
    EXPECT_EQ(getIfUpdateing(), 1) << "held until the reboot";
}

TEST_F(UpdateTest, DowngradeAsksOnExportBoardsAndIsRefusedAtHome)
{
    const auto before = installed();
    stick(package({"", "", "1.10", "", "", ""}));
    struct Case {
        int outChina;
        bool confirm;
        int state;
        const char* message;
        const char* app;
    } cases[] = {
        {1, false, UPD_STATE_IDLE, "May crash by 1.10, press 'O' to continue", "1.19"},
        {0, true, UPD_STATE_FAILED, "Inland Can Not Reduce", "1.19"},
        {1, true, UPD_STATE_DONE, "May crash by 1.10, press 'O' to continue", "1.10"},
    };
    for (const auto& c : cases) {
        boardIsOutChina = c.outChina;
        View v;
        v.confirm = c.confirm;
        testing::internal::CaptureStdout();
        EXPECT_EQ(touchOk_Click(v), c.state) << c.message;
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(v.messages.size(), 1u);
        EXPECT_EQ(v.messages[0], c.message);
        EXPECT_EQ(version(UPD_APP), c.app);
        if (c.state != UPD_STATE_DONE) {
            EXPECT_EQ(installed(), before) << c.message;
            EXPECT_EQ(getIfUpdateing(), 0);
        }
        UpdateRelease();
        EXPECT_FALSE(leftovers()) << c.message;
    }
}

TEST_F(UpdateTest, BadPackagesAndFaultsEndInFailureWithTheSoftwareKept)
{
    Bytes good = package({"B9", "", "1.20", "", "", ""});
    Bytes noApp = good;
    noApp.resize(UPD_HEADER_SIZE);
    for (UpdFile f : kUpdSectionOrder) {
        Bytes img = f == UPD_APP ? Bytes{} : UpdStampImage(Bytes(5, 1), "x");
        uint32_t n = uint32_t(img.size());
        for (int i = 0; i < 4; ++i)
            noApp.push_back(uint8_t(n >> (8 * i)));
        noApp.insert(noApp.end(), img.begin(), img.end());
    }
    Bytes badVersion = good;
    badVersion[UPD_APP * UPD_VERSION_LEN + 6] = 'z'; // text after the padding
    Bytes longer = good;
    longer.push_back(0);
    struct Case {
        const char* what;
        Bytes pkg;          // empty: no package on the stick
        bool stickIn;       // a stick in the port
        const char* fault;  // "" or a flash path whose writes fail with ENOSPC
        const char* reason; // in the log and the output
        bool appReplaced;   // installation had begun
    } cases[] = {
        {"no stick", good, false, "", "no USB stick", false},
        {"stick without the package", {}, true, "", "no package", false},
        {"truncated", Bytes(good.begin(), good.end() - 7), true, "", "runs past the end of the file", false},
        {"lengths do not add up", longer, true, "", "sections do not add up to the file size", false},
        {"no application", noApp, true, "", "carries no application", false},
        {"version field", badVersion, true, "", "version field of appmain is not text", false},
        {"full flash", good, true, "/mnt/boot.bin.upd", "cannot install boot.bin", true},
    };
    const auto before = installed();
    for (const auto& c : cases) {
        fs::remove(tb->root() + "/usb/K7Q2_sw_m6.bin");
        fs::remove(tb->path(UPD_LOG_PATH));
        if (!c.pkg.empty()) stick(c.pkg);
        sim::set_usb_present(c.stickIn);
        if (*c.fault) sim::fault_file(c.fault, "write", -1, ENOSPC);
        View v;
        testing::internal::CaptureStdout();
        EXPECT_EQ(touchOk_Click(v), UPD_STATE_FAILED) << c.what;
        std::string out = testing::internal::GetCapturedStdout();
        sim::clear_file_faults();
        EXPECT_EQ(GetUpdateState(), UPD_STATE_FAILED);
        EXPECT_EQ(v.states.back(), UPD_STATE_FAILED) << c.what;
        EXPECT_EQ(getIfUpdateing(), 0) << c.what;
        EXPECT_NE(out.find(c.reason), std::string::npos) << c.what << "\n" << out;
        if (c.stickIn) {
            EXPECT_NE(log().find(c.reason), std::string::npos) << c.what;
        }
        EXPECT_FALSE(leftovers()) << c.what;
        EXPECT_FALSE(sim::usb_mounted()) << c.what;
        EXPECT_FALSE(tb->powered_off());
        auto now = installed();
        EXPECT_EQ(now[UPD_BOOT], before[UPD_BOOT]) << c.what;
        EXPECT_EQ(version(UPD_APP), c.appReplaced ? "1.20" : "1.19") << c.what;
        // Put the application back for the next case.
        put(tb->path("/mnt/appmain"), before[UPD_APP]);
    }
}

TEST_F(UpdateTest, APackageThatShrinksAfterItsCheckFailsOnTheShortRead)
{
    // The prompt of a downgrade comes between the check and the unpacking: the file is cut there.
    struct Shrinking : View {
        std::string file;
        uintmax_t cut = 0;
        bool ConfirmDowngrade() override
        {
            fs::resize_file(file, fs::file_size(file) - cut);
            return true;
        }
    } v;
    v.file = tb->path(UPD_PACKAGE_PATH);
    // Into the application's section, which comes before the default parameters'.
    v.cut = fs::file_size(tb->path("/mnt/usr/Default.par")) + 4 + 5;
    const auto before = installed();
    stick(package({"", "", "1.10", "", "", ""}));
    testing::internal::CaptureStdout();
    EXPECT_EQ(touchOk_Click(v), UPD_STATE_FAILED);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("short read of the package for /tmp/appmain"), std::string::npos) << out;
    EXPECT_EQ(installed(), before);
    EXPECT_FALSE(leftovers());
    EXPECT_FALSE(fs::exists(tb->root() + "/ramfs/appmain"));
}

} // namespace
