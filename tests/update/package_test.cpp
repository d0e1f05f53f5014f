// The update package: built packages read back whole, damaged ones are refused with their reason,
// version trailers of installed images, and seeded random damage through the reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "fuzz_core.h"
#include "sim/testbed.h"
#include "update/updatepackage.h"

namespace
{

using Images = std::array<std::vector<uint8_t>, UPD_FILE_COUNT>;
using Versions = std::array<std::string, UPD_FILE_COUNT>;

class PackageTest : public ::testing::Test
{
  protected:
    sim::Testbed tb;
    void SetUp() override
    {
        std::filesystem::create_directories(tb.path("/mnt/usr"));
        std::filesystem::create_directories(tb.path("/tmp"));
    }
    void put(const char* unit_path, const std::vector<uint8_t>& data)
    {
        std::ofstream out(tb.path(unit_path), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    }
    std::string scan(const std::vector<uint8_t>& data, UpdPackage* pkg = nullptr)
    {
        put("/mnt/pkg.bin", data);
        std::string why;
        return UpdPackageScanFile("/mnt/pkg.bin", pkg, &why) == 0 ? "sound" : why;
    }
};

std::vector<uint8_t> bytes(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(seed + i * 31);
    return v;
}

TEST_F(PackageTest, BuiltPackagesReadBackWhole)
{
    struct Case {
        Versions v;
        std::array<size_t, UPD_FILE_COUNT> len;
    } cases[] = {
        {{"B1", "K1", "A1", "P1", "F1", "L1"}, {100, 2000, 5000, 60000, 300, 4000}},
        {{"BOOT0001", "KERN0001", "APP12345", "PAR00001", "FPGA0001", "COM00001"}, {1, 1, 1, 1, 1, 1}},
        {{"", "", "1.20", "", "", ""}, {0, 0, 7, 0, 0, 0}},
        // An image that already carries a trailer gets its new version in place of the old one.
        {{"b", "k", "a", "p", "f", "l"}, {12, 13, 96, 97, 191, 192}},
    };
    for (const auto& c : cases) {
        Images img;
        for (int f = 0; f < UPD_FILE_COUNT; ++f)
            img[f] = bytes(c.len[f], uint8_t(f));
        img[UPD_APP] = UpdStampImage(img[UPD_APP], "old");
        std::vector<uint8_t> p = UpdBuildPackage(img, c.v);
        ASSERT_FALSE(p.empty());
        UpdPackage pkg;
        ASSERT_EQ(scan(p, &pkg), "sound") << c.v[UPD_APP];
        for (int f = 0; f < UPD_FILE_COUNT; ++f) {
            EXPECT_EQ(UpdVersionText(pkg.header.version[f]), c.v[f]);
            const auto& s = pkg.section[f];
            std::vector<uint8_t> got(p.begin() + long(s.offset), p.begin() + long(s.offset + s.length));
            EXPECT_EQ(UpdTrailerVersion(got), c.v[f]) << UpdFileOf(f).name;
            size_t raw = c.len[f];
            ASSERT_EQ(got.size(), raw + UPD_TRAILER_SIZE) << UpdFileOf(f).name;
            EXPECT_TRUE(std::equal(got.begin(), got.begin() + long(raw), img[f].begin()))
                << UpdFileOf(f).name;
        }
        // Sections follow in their fixed order, not the header's.
        uint64_t at = UPD_HEADER_SIZE;
        for (UpdFile f : kUpdSectionOrder) {
            EXPECT_EQ(pkg.section[f].offset, at + 4);
            at += 4 + pkg.section[f].length;
        }
    }
    Images img;
    EXPECT_TRUE(UpdBuildPackage(img, {"", "", "TOOLONG12", "", "", ""}).empty());
    EXPECT_TRUE(UpdBuildPackage(img, {"", "", "a b", "", "", ""}).empty());
}

TEST_F(PackageTest, DamagedPackagesAreRefusedWithTheReason)
{
    Images img;
    for (int f = 0; f < UPD_FILE_COUNT; ++f)
        img[f] = bytes(50, uint8_t(f));
    const std::vector<uint8_t> good = UpdBuildPackage(img, {"B1", "K1", "A1", "P1", "F1", "L1"});
    ASSERT_EQ(scan(good), "sound");
    const size_t sec = 4 + 50 + UPD_TRAILER_SIZE;
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + long(n)); };
    auto with = [&](size_t at, std::vector<uint8_t> b) {
        auto p = good;
        std::copy(b.begin(), b.end(), p.begin() + long(at));
        return p;
    };
    auto longer = good;
    longer.push_back(0);
    Images noApp = img;
    noApp[UPD_APP].clear();
    auto noAppPkg = UpdBuildPackage(noApp, {"B1", "K1", "A1", "P1", "F1", "L1"});
    // The application section (5th) holds only the trailer: make its length 0 and move the rest up.
    size_t appAt = UPD_HEADER_SIZE + 4 * sec;
    noAppPkg.erase(noAppPkg.begin() + long(appAt + 4), noAppPkg.begin() + long(appAt + 4 + UPD_TRAILER_SIZE));
    noAppPkg[appAt] = 0;
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        const char* why;
    } cases[] = {
        {"empty", {}, "shorter than its header"},
        {"half a header", cut(30), "shorter than its header"},
        {"header only", cut(56), "cut short before the length of boot.bin"},
        {"length cut", cut(58), "cut short before the length of boot.bin"},
        {"section cut", cut(56 + sec + 10), "section image.bin runs past the end of the file"},
        {"last section cut", cut(good.size() - 1), "section Default.par runs past the end of the file"},
        {"a byte too many", longer, "sections do not add up to the file size (1 bytes left over)"},
        {"length too big", with(56, {0xFF, 0xFF, 0xFF, 0x7F}),
         "section boot.bin runs past the end of the file"},
        {"no application", noAppPkg, "carries no application"},
        {"text after padding", with(16, {'A', 0, 'x'}), "version field of appmain is not text"},
        {"control byte", with(40, {0x01}), "version field of linuxcom is not text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scan(c.data), c.why) << c.what;
    // Eight characters fill the field without a NUL: read as eight, never further.
    EXPECT_EQ(scan(with(16, {'1', '2', '3', '4', '5', '6', '7', '8'})), "sound");
}

TEST_F(PackageTest, InstalledVersionsComeFromValidTrailersOnly)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        const char* version;
    } cases[] = {
        {"stamped", UpdStampImage(bytes(300, 1), "V2.01"), "V2.01"},
        {"eight characters", UpdStampImage(bytes(5, 1), "ABCDEFGH"), "ABCDEFGH"},
        {"trailer only", UpdStampImage({}, "T"), "T"},
        {"shorter than a trailer", bytes(11, 2), ""},
        {"length does not match", bytes(400, 3), ""},
    };
    for (const auto& c : cases) {
        put("/mnt/appmain", c.data);
        char field[UPD_VERSION_LEN];
        std::memset(field, 'x', sizeof field);
        ASSERT_EQ(GetFileVersion("/mnt/appmain", field), 0) << c.what;
        EXPECT_EQ(UpdVersionText(field), c.version) << c.what;
        if (!*c.version) {
            EXPECT_EQ(std::count(field, field + UPD_VERSION_LEN, 0), UPD_VERSION_LEN) << c.what;
        }
    }

    // The block holds the six in header order; one missing file fails the whole read.
    for (int f = 0; f < UPD_FILE_COUNT; ++f)
        put(UpdFileOf(f).installed, UpdStampImage(bytes(20, 0), "v" + std::to_string(f)));
    char block[UPD_FILE_COUNT * UPD_VERSION_LEN];
    ASSERT_EQ(GetCurrentVersion(block), 0);
    EXPECT_EQ(UpdVersionText(block + UPD_DEFAULT_PAR * UPD_VERSION_LEN), "v3");
    std::filesystem::remove(tb.path("/mnt/chip.bin"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(GetCurrentVersion(block), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to open /mnt/chip.bin\n");

    // Downgrade is a text comparison of at most eight characters.
    EXPECT_TRUE(UpdVersionBelow("1.19", "1.20"));
    EXPECT_FALSE(UpdVersionBelow("1.20", "1.20"));
    EXPECT_FALSE(UpdVersionBelow("12345678X", "12345678"));
}

TEST_F(PackageTest, RandomDamageIsRefusedOrReadSoundly)
{
    std::mt19937 rng(20261210);
    std::vector<uint8_t> in;
    for (int k = 0; k < 300; ++k) {
        in.resize(3 * (1 + rng() % 4));
        for (auto& b : in)
            b = uint8_t(rng());
        ASSERT_EQ(updfuzz::run(in.data(), in.size(), tb.path("/mnt/pkg.bin"), "/mnt/pkg.bin"), "")
            << "case " << k;
    }
}

} // namespace
