// Emulators of the EEPROM (64 KiB, 128-byte pages, two address bytes) and the clock chip (BCD
// time registers from 0x02, century bit in the month register, voltage-low bit in the seconds).
//
// How the EEPROM works: a write message of the two address bytes sets the address; more bytes
// are a page write (wrapping inside the page, as the chip does) which is stored in the image file
// at once and starts the write cycle, during which nothing is acknowledged. A read message reads
// on from the current address. As with the Linux I2C_RDWR request, each message carries its own
// slave address (I2C_SLAVE is accepted and remembered, but does not address a message). Faults are checked
// first: no device, failing transfers, a power cut armed to fall after the n-th page write (optionally
// storing only half of that page).
#include "sim/i2c_chips.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <map>
#include <mutex>

#include "platform/requests.h"
#include "sim/scheduler.h"

namespace sim
{
namespace
{

constexpr int kSize = 65536;
constexpr int kPage = 128;

struct Stuck {
    int offset;
    uint8_t mask;
    uint8_t value;
};

// The message list of an I2C_RDWR request, or null with errno set (another request, no list,
// or more messages than the kernel takes in one transfer).
i2c_rdwr_ioctl_data* transfer_of(unsigned long request, void* arg)
{
    if (request != I2C_RDWR) {
        errno = ENOTTY;
        return nullptr;
    }
    auto* data = static_cast<i2c_rdwr_ioctl_data*>(arg);
    if (!data || !data->msgs || data->nmsgs == 0 || data->nmsgs > 42) {
        errno = EINVAL;
        return nullptr;
    }
    return data;
}

class EepromChip;
class RtcChip;

std::mutex g_mu; // guards the pointers to the current chips and every chip's state
EepromChip* g_eeprom = nullptr;
RtcChip* g_rtc = nullptr;

class EepromChip : public Device
{
  public:
    explicit EepromChip(const std::string& path) : bytes_(kSize, 0xFF)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
        if (fd_ >= 0) {
            ssize_t n = ::pread(fd_, bytes_.data(), kSize, 0);
            if (n != kSize) {
                // Absent or short: a blank chip (what is there is kept).
                if (n < 0) n = 0;
                std::memset(bytes_.data() + n, 0xFF, size_t(kSize - n));
                persist(0, kSize);
            }
        }
        std::lock_guard<std::mutex> g(g_mu);
        g_eeprom = this;
    }
    ~EepromChip() override
    {
        std::lock_guard<std::mutex> g(g_mu);
        if (g_eeprom == this) g_eeprom = nullptr;
        if (fd_ >= 0) ::close(fd_);
    }
    const char* name() const override { return "eeprom"; }

    int open(OpenState&) override
    {
        std::lock_guard<std::mutex> g(g_mu);
        if (missing_) {
            errno = ENODEV;
            return -1;
        }
        return 0;
    }

    int ioctl_value(OpenState& st, unsigned long request, unsigned long value) override
    {
        std::lock_guard<std::mutex> g(g_mu);
        if (request == I2C_SLAVE) {
            st.i2c_slave = value;
            return 0;
        }
        if (request == I2C_WRITE_PROTECT) {
            protected_ = value != 0;
            return 0;
        }
        errno = ENOTTY;
        return -1;
    }

    int ioctl(OpenState&, unsigned long request, void* arg) override
    {
        auto* data = transfer_of(request, arg);
        if (!data) return -1;
        std::lock_guard<std::mutex> g(g_mu);
        if (missing_ || cut_) {
            errno = missing_ ? ENODEV : EIO;
            return -1;
        }
        if (fail_next_ > 0) {
            --fail_next_;
            errno = EIO;
            return -1;
        }
        uint64_t now = Scheduler::instance().now_us();
        if (now < busy_until_) {
            errno = ENXIO; // not acknowledged
            return -1;
        }
        for (uint32_t i = 0; i < data->nmsgs; ++i) {
            i2c_msg& m = data->msgs[i];
            if (m.addr != I2C_ADDR_EEPROM || (m.len && !m.buf)) {
                errno = ENXIO;
                return -1;
            }
            if (m.flags & I2C_M_RD) {
                for (int k = 0; k < m.len; ++k)
                    m.buf[k] = bytes_[(addr_ + k) % kSize];
                if (m.len == kPage) ++reads_;
                addr_ = (addr_ + m.len) % kSize;
                continue;
            }
            if (m.len < 2) continue; // an address-less write is only a poll
            addr_ = (m.buf[0] << 8 | m.buf[1]) % kSize;
            if (m.len > 2 && addr_ / kPage == fail_page_ && fail_page_left_ > 0) {
                --fail_page_left_;
                errno = EIO;
                return -1;
            }
            if (m.len > 2) page_write(m.buf + 2, m.len - 2, now);
        }
        return int(data->nmsgs);
    }

    uint64_t call_cost_us() const override { return 20; }

    // ---- controls (g_mu held) ----
    void reset_faults()
    {
        missing_ = false;
        fail_next_ = 0;
        fail_page_ = -1;
        fail_page_left_ = 0;
        stuck_.clear();
        cut_after_ = 0;
        tear_ = false;
        cut_ = false;
        writes_ = 0;
        reads_ = 0;
    }
    bool missing_ = false;
    int fail_next_ = 0;
    int fail_page_ = -1; // page whose next writes fail
    int fail_page_left_ = 0;
    std::multimap<int, Stuck> stuck_;
    int cut_after_ = 0; // page writes left before the cut; 0 disarmed
    bool tear_ = false;
    bool cut_ = false;
    int writes_ = 0;
    int reads_ = 0;
    std::vector<uint8_t> bytes_;

    void persist(int offset, int len)
    {
        if (fd_ >= 0 && ::pwrite(fd_, bytes_.data() + offset, size_t(len), offset) != len) {
            // The image file is the simulator's own; a failed write only loses persistence.
        }
    }

  private:
    void page_write(const uint8_t* data, int len, uint64_t now)
    {
        ++writes_;
        busy_until_ = now + kEepromWriteCycleUs;
        if (protected_) return; // the chip ignores writes while protected
        int page = addr_ / kPage;
        int base = page * kPage;
        int store = len > kPage ? kPage : len;
        bool last = false;
        if (cut_after_ > 0 && --cut_after_ == 0) {
            last = true;
            if (tear_) store /= 2;
        }
        for (int k = 0; k < store; ++k) {
            int col = (addr_ % kPage + k) % kPage;
            bytes_[base + col] = data[k];
        }
        auto range = stuck_.equal_range(page);
        for (auto it = range.first; it != range.second; ++it) {
            uint8_t& b = bytes_[base + it->second.offset];
            b = uint8_t((b & ~it->second.mask) | (it->second.value & it->second.mask));
        }
        persist(base, kPage);
        if (last) cut_ = true;
    }

    int fd_ = -1;
    int addr_ = 0;
    bool protected_ = true;
    uint64_t busy_until_ = 0;
};

int bcd(int v)
{
    return (v / 10) << 4 | (v % 10);
}
int unbcd(uint8_t v)
{
    return (v >> 4) * 10 + (v & 0x0F);
}

class RtcChip : public Device
{
  public:
    RtcChip()
    {
        set_epoch(Scheduler::instance().wall_us() / 1000000);
        std::lock_guard<std::mutex> g(g_mu);
        g_rtc = this;
    }
    ~RtcChip() override
    {
        std::lock_guard<std::mutex> g(g_mu);
        if (g_rtc == this) g_rtc = nullptr;
    }
    const char* name() const override { return "rtc"; }

    int open(OpenState&) override
    {
        std::lock_guard<std::mutex> g(g_mu);
        if (missing_) {
            errno = ENODEV;
            return -1;
        }
        return 0;
    }
    int ioctl_value(OpenState& st, unsigned long request, unsigned long value) override
    {
        if (request == I2C_SLAVE) {
            st.i2c_slave = value;
            return 0;
        }
        errno = ENOTTY;
        return -1;
    }
    int ioctl(OpenState&, unsigned long request, void* arg) override
    {
        auto* data = transfer_of(request, arg);
        if (!data) return -1;
        std::lock_guard<std::mutex> g(g_mu);
        if (missing_) {
            errno = ENODEV;
            return -1;
        }
        if (fail_next_ > 0) {
            --fail_next_;
            errno = EIO;
            return -1;
        }
        for (uint32_t i = 0; i < data->nmsgs; ++i) {
            i2c_msg& m = data->msgs[i];
            if (m.addr != I2C_ADDR_RTC || (m.len && !m.buf)) {
                errno = ENXIO;
                return -1;
            }
            if (m.flags & I2C_M_RD) {
                uint8_t regs[16];
                registers(regs);
                for (int k = 0; k < m.len; ++k)
                    m.buf[k] = regs[(reg_ + k) % 16];
                continue;
            }
            if (m.len == 0) continue;
            reg_ = m.buf[0] % 16;
            if (m.len > 1) write_regs(m.buf + 1, m.len - 1);
        }
        return int(data->nmsgs);
    }

    int64_t epoch() const
    {
        return base_epoch_ + int64_t((Scheduler::instance().now_us() - base_now_) / 1000000);
    }
    void set_epoch(int64_t e)
    {
        base_epoch_ = e;
        base_now_ = Scheduler::instance().now_us();
        frozen_ = false;
        time_t t = time_t(e);
        struct tm tm;
        gmtime_r(&t, &tm);
        wday_ = tm.tm_wday;
        wday_day_ = e / 86400;
    }

    bool missing_ = false;
    int fail_next_ = 0;
    bool vl_ = false;
    bool frozen_ = false;
    uint8_t raw_[7] = {};

  private:
    void registers(uint8_t* regs)
    {
        std::memset(regs, 0, 16);
        if (frozen_) {
            std::memcpy(regs + 2, raw_, 7);
        } else {
            time_t t = time_t(epoch());
            struct tm tm;
            gmtime_r(&t, &tm);
            int year = tm.tm_year + 1900;
            regs[2] = uint8_t(bcd(tm.tm_sec));
            regs[3] = uint8_t(bcd(tm.tm_min));
            regs[4] = uint8_t(bcd(tm.tm_hour));
            regs[5] = uint8_t(bcd(tm.tm_mday));
            // The weekday register counts on from what was written, one step per midnight.
            int64_t days = epoch() / 86400 - wday_day_;
            regs[6] = uint8_t(((wday_ + days) % 7 + 7) % 7);
            regs[7] = uint8_t(bcd(tm.tm_mon + 1) | (year < 2000 ? 0x80 : 0));
            regs[8] = uint8_t(bcd(year % 100));
        }
        if (vl_) regs[2] |= 0x80;
    }
    void write_regs(const uint8_t* d, int n)
    {
        uint8_t regs[16];
        registers(regs);
        for (int k = 0; k < n; ++k)
            regs[(reg_ + k) % 16] = d[k];
        if (reg_ <= 2 && reg_ + n > 2) vl_ = false;
        regs[2] &= 0x7F;
        // Time registers as the chip holds them; a time it cannot count from is kept raw.
        struct tm tm = {};
        tm.tm_sec = unbcd(regs[2] & 0x7F);
        tm.tm_min = unbcd(regs[3] & 0x7F);
        tm.tm_hour = unbcd(regs[4] & 0x3F);
        tm.tm_mday = unbcd(regs[5] & 0x3F);
        tm.tm_mon = unbcd(regs[7] & 0x1F) - 1;
        tm.tm_year = ((regs[7] & 0x80) ? 1900 : 2000) + unbcd(regs[8]) - 1900;
        bool sane = tm.tm_sec < 60 && tm.tm_min < 60 && tm.tm_hour < 24 && tm.tm_mday >= 1 &&
                    tm.tm_mday <= 31 && tm.tm_mon >= 0 && tm.tm_mon < 12;
        if (sane) {
            set_epoch(int64_t(timegm(&tm)));
            wday_ = regs[6] & 0x07;
        } else {
            std::memcpy(raw_, regs + 2, 7);
            frozen_ = true;
        }
    }

    int reg_ = 0;
    int wday_ = 0;
    int64_t wday_day_ = 0;
    int64_t base_epoch_ = 0;
    uint64_t base_now_ = 0;
};

} // namespace

std::shared_ptr<Device> make_eeprom_bus(const std::string& image_path)
{
    return std::make_shared<EepromChip>(image_path);
}
std::shared_ptr<Device> make_rtc_bus()
{
    return std::make_shared<RtcChip>();
}

// ---- EEPROM controls ----------------------------------------------------------------------------------
void eeprom_fault_reset()
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_eeprom) g_eeprom->reset_faults();
}
void eeprom_fault_no_device(bool missing)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_eeprom) g_eeprom->missing_ = missing;
}
void eeprom_fault_fail_next(int n)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_eeprom) g_eeprom->fail_next_ = n < 0 ? 0 : n;
}
void eeprom_fault_fail_page_writes(int page, int n)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (!g_eeprom) return;
    g_eeprom->fail_page_ = page;
    g_eeprom->fail_page_left_ = n < 0 ? 0 : n;
}
void eeprom_fault_stuck_bits(int page, int offset, uint8_t mask, uint8_t value)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_eeprom && page >= 0 && page < kSize / kPage && offset >= 0 && offset < kPage)
        g_eeprom->stuck_.emplace(page, Stuck{offset, mask, value});
}
void eeprom_fault_worn_page(int page)
{
    eeprom_fault_stuck_bits(page, kPage - 1, 0xFF, 0x5A);
}
void eeprom_fault_power_cut(int n, bool tear)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (!g_eeprom) return;
    g_eeprom->cut_after_ = n < 0 ? 0 : n;
    g_eeprom->tear_ = tear;
}
bool eeprom_power_was_cut()
{
    std::lock_guard<std::mutex> g(g_mu);
    return g_eeprom && g_eeprom->cut_;
}
void eeprom_power_restore()
{
    std::lock_guard<std::mutex> g(g_mu);
    if (!g_eeprom) return;
    g_eeprom->cut_ = false;
    g_eeprom->cut_after_ = 0;
}
int eeprom_page_writes()
{
    std::lock_guard<std::mutex> g(g_mu);
    return g_eeprom ? g_eeprom->writes_ : 0;
}
int eeprom_page_reads()
{
    std::lock_guard<std::mutex> g(g_mu);
    return g_eeprom ? g_eeprom->reads_ : 0;
}
std::vector<uint8_t> eeprom_image()
{
    std::lock_guard<std::mutex> g(g_mu);
    return g_eeprom ? g_eeprom->bytes_ : std::vector<uint8_t>();
}
void eeprom_load_image(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (!g_eeprom) return;
    size_t n = bytes.size() < size_t(kSize) ? bytes.size() : size_t(kSize);
    std::memcpy(g_eeprom->bytes_.data(), bytes.data(), n);
    g_eeprom->persist(0, kSize);
}

// ---- Clock chip controls -------------------------------------------------------------------------------
void rtc_fault_no_device(bool missing)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_rtc) g_rtc->missing_ = missing;
}
void rtc_fault_fail_next(int n)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_rtc) g_rtc->fail_next_ = n < 0 ? 0 : n;
}
void rtc_set_registers(const uint8_t regs[7])
{
    std::lock_guard<std::mutex> g(g_mu);
    if (!g_rtc || !regs) return;
    std::memcpy(g_rtc->raw_, regs, 7);
    g_rtc->frozen_ = true;
}
void rtc_set_voltage_low(bool low)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_rtc) g_rtc->vl_ = low;
}
int64_t rtc_time()
{
    std::lock_guard<std::mutex> g(g_mu);
    return g_rtc ? g_rtc->epoch() : 0;
}
void rtc_set_time(int64_t epoch_seconds)
{
    std::lock_guard<std::mutex> g(g_mu);
    if (g_rtc) g_rtc->set_epoch(epoch_seconds);
}

} // namespace sim
