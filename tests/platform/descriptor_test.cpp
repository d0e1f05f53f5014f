// The simulator's side of the seam: a call that waits inside a device must stay safe when another
// thread closes the descriptor meanwhile (the touch and camera reads block on the clock), and a
// program that the simulator answers may use the backend itself.
#include <fcntl.h>
#include <sys/wait.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/device.h"
#include "sim/scheduler.h"

namespace {

constexpr const char* kPath = "/dev/slowtest";

// Every call waits 100 ms of virtual time and then updates the descriptor's own state.
struct SlowDevice : sim::Device {
    const char* name() const override { return "slow"; }
    ssize_t read(sim::OpenState& st, void*, size_t n) override
    {
        sim::Scheduler::instance().sleep_us(100000);
        st.offset += off_t(n);
        return ssize_t(n);
    }
    int ioctl(sim::OpenState& st, unsigned long, void*) override
    {
        sim::Scheduler::instance().sleep_us(100000);
        st.i2c_slave += 1;
        return 0;
    }
};

struct Call {
    int fd;
    bool ioctl;
    long result = -2;
};

void* slow_call(void* p)
{
    auto* c = static_cast<Call*>(p);
    char buf[4];
    c->result = c->ioctl ? plat_ioctl(c->fd, 0, nullptr) : long(plat_read(c->fd, buf, sizeof buf));
    return nullptr;
}

TEST(SimDescriptor, CloseWhileAnotherThreadWaitsInTheDevice)
{
    sim::Scheduler::instance().reset();
    sim::register_device(kPath, std::make_shared<SlowDevice>());
    for (bool ioctl : {false, true}) {
        SCOPED_TRACE(ioctl ? "ioctl" : "read");
        Call call{plat_open(kPath, O_RDWR), ioctl};
        ASSERT_GE(call.fd, 0);
        plat_thread_t t = 0;
        ASSERT_EQ(plat_thread_create(&t, slow_call, &call, "caller"), 0);
        plat_sleep_ms(10); // the caller is now inside the device
        EXPECT_EQ(plat_close(call.fd), 0);
        plat_sleep_ms(200);
        plat_thread_stop(t);
        EXPECT_EQ(call.result, ioctl ? 0 : 4);
        // The descriptor is gone for later calls.
        char buf[4];
        EXPECT_EQ(plat_read(call.fd, buf, sizeof buf), -1);
    }
    sim::reset_backend();
}

TEST(SimShell, EmulatedProgramMayUseTheBackend)
{
    // An emulated mount marks the stick mounted: the handler runs outside the backend's lock.
    sim::set_usb_present(true);
    sim::set_shell_emulation("probe", [](const std::string& cmd) {
        sim::set_usb_present(false);
        return cmd == "probe /media" ? 3 : 1;
    });
    const int st = plat_shell("probe /media");
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 3);
    EXPECT_FALSE(sim::usb_present());
    sim::reset_backend();
}

TEST(SimPaths, NoInstrumentPathLeadsOutOfTheDataRoot)
{
    sim::set_data_root(testing::TempDir() + "/path_test");
    const std::string root = sim::data_root();
    const struct {
        const char* path;
        std::string host;
    } cases[] = {
        {"/mnt/usr/a.par", root + "/mnt/usr/a.par"},
        {"font/x.fnt", root + "/mnt/font/x.fnt"},
        {"/../../etc/passwd", root + "/etc/passwd"},
        {"../../../tmp/x", root + "/tmp/x"},
        {"/mnt/../../..", root + "/"},
        {"/usr/../mnt/x", root + "/mnt/x"},
        {"/media/../../x", root + "/x"},
        {"/bin/sh", root + "/bin/sh"},
        {"/usr/BrightWave0.txt", root + "/usr/BrightWave0.txt"},
        {"/proc/self/mem", root + "/proc/self/mem"},
        {"/etc/../lib/x.so", root + "/lib/x.so"},
        {"/dev/null", "/dev/null"},
    };
    for (auto& c : cases)
        EXPECT_EQ(plat_path(c.path), c.host) << c.path;
}

struct Mapper {
    std::atomic<bool> started{false}, done{false};
    int toStick = 0;
};

void* map_paths(void* p)
{
    auto* m = static_cast<Mapper*>(p);
    m->started = true;
    while (!m->done)
        m->toStick += plat_path("/media/update.bin").find("/usb/") != std::string::npos;
    return nullptr;
}

TEST(SimShell, StickStateIsSharedSafelyWithPathMapping)
{
    // On the wall clock threads run at once: the stick changes while another thread maps paths.
    sim::Scheduler::instance().reset(true);
    sim::set_data_root(testing::TempDir() + "/stick_test");
    Mapper m;
    plat_thread_t t = 0;
    ASSERT_EQ(plat_thread_create(&t, map_paths, &m, "mapper"), 0);
    while (!m.started)
        plat_sleep_ms(1);
    for (int i = 0; i < 500; ++i) {
        sim::set_usb_present(true);
        EXPECT_EQ(plat_mount("/dev/sda1", "/media", "vfat", 0, nullptr), 0);
        sim::set_usb_present(false);
    }
    m.done = true;
    plat_thread_stop(t);
    EXPECT_FALSE(sim::usb_mounted());
    sim::reset_backend();
    sim::Scheduler::instance().reset();
}

} // namespace
