// The default parameter generator and the parameter image inspector, run as the programs they are.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "params/param_store.h"
#include "params/param_tables.h"
#include "tests/support/run_command.h"

namespace
{

namespace fs = std::filesystem;

CommandRun run(const std::string& cmd)
{
    return run_command(cmd);
}

std::vector<uint8_t> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ParTools : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/par-tools-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        gen = std::string(SPLICER_BINARY_DIR) + "/tools/gen_default_par";
        inspect = std::string(SPLICER_BINARY_DIR) + "/tools/par_inspect";
        ASSERT_TRUE(fs::exists(gen) && fs::exists(inspect)) << "tools not built";
        gen = built_program(gen);
        inspect = built_program(inspect);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string table(const std::string& name, const std::string& text)
    {
        std::string p = dir + "/" + name;
        std::ofstream(p) << text;
        return p;
    }
    std::string dir, gen, inspect;
};

} // namespace

TEST_F(ParTools, GeneratorBuildsPagesFromNamedFields)
{
    std::string t =
        table("t.txt", "# test\n[machine]\ndwSpeakerMarker = 0x3B4C5F78\nwSpeakerSet2 = 3000\n"
                       "[splicetemp 3]\nszModeName = \"SM\"\narcFuseArc.wTimeCount = 2000\n"
                       "bItemMask = 1 2 3\n[splicemode 1]\nfrom = splicetemp 3\nbModeActive = 1\n");
    std::string out = dir + "/D.par";
    CommandRun r = run(gen + " " + out + " " + t);
    ASSERT_EQ(r.status, 0) << r.out;
    auto img = read_file(out);
    ASSERT_EQ(img.size(), size_t(PAR_PART_SIZE));
    for (int p = 0; p < PAR_PART_PAGES; ++p)
        EXPECT_TRUE(E2prom_PageCrcOk(img.data() + p * 128)) << p;
    MachineParameter m;
    std::memcpy(&m, img.data() + PAR_PAGE_MACHINE * 128, 128);
    EXPECT_EQ(+m.dwSpeakerMarker, SPEAKER_MARKER);
    EXPECT_EQ(+m.wSpeakerSet2, 3000);
    APPSPLICE s;
    std::memcpy(&s, img.data() + PAR_PAGE_SPLICEMODE * 128, 128);
    EXPECT_STREQ(s.szModeName, "SM");
    EXPECT_EQ(+s.arcFuseArc.wTimeCount, 2000);
    EXPECT_EQ(s.bItemMask[2], 3);
    EXPECT_EQ(s.bModeActive, 1);
}

TEST_F(ParTools, GeneratorRefusesBadTables)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"[machine]\nnoSuchField = 1\n", "t.txt:2: no field \"noSuchField\" in machine"},
        {"[machine]\nbMark80um = 256\n", "t.txt:2: bMark80um: value out of the field's range"},
        {"[machine]\nwSpeakerSet2 = 3k\n", "a number is expected"},
        {"[splicemode 129]\n", "index 129 outside 1..128"},
        {"[splicemode 1]\nszModeName = \"TOOLONGNAME\"\n", "text longer than 7 characters"},
        {"[splicemode 1]\nfrom = splicetemp 2\n", "\"from\" names a page not defined before"},
        {"[nosuch]\n", "unknown table \"nosuch\""},
        {"dwKeySound = 1\n", "field outside a section"},
        {"[machine]\n[machine]\n", "page defined twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string out = dir + "/D.par";
        fs::remove(out);
        CommandRun r = run(gen + " " + out + " " + table("t.txt", c.text));
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_FALSE(fs::exists(out)) << "no image from a bad table";
    }
}

TEST_F(ParTools, InspectorPrintsNamedFieldsAndBadPages)
{
    std::string def = std::string(SPLICER_ASSET_ROOT) + "/mnt/usr/Default.par";
    CommandRun r = run(inspect + " " + def);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("[machine]  # page 24\n"), std::string::npos);
    EXPECT_NE(r.out.find("dwSpeakerMarker = 994860920\n"), std::string::npos);
    EXPECT_NE(r.out.find("szModeName = \"AUTO\""), std::string::npos);
    EXPECT_NE(r.out.find("# every page CRC is valid"), std::string::npos);

    // An EEPROM image with part 1 active and a damaged machine page.
    std::vector<uint8_t> chip(E2PROM_SIZE, 0xFF);
    auto d = read_file(def);
    ASSERT_EQ(d.size(), size_t(PAR_PART_SIZE + 12)) << "pages and the version trailer";
    std::copy(d.begin(), d.begin() + PAR_PART_SIZE, chip.begin() + PAR_PART_PAGES * 128);
    MODULEINFO mi;
    std::memset(&mi, 0xFF, sizeof mi);
    mi.SysParBaseAddr = PAR_PART1_BASE;
    mi.Reservedbase = RESERVED_BASE_ADDR;
    mi.Bufferbase = BUFFER_BASE_ADDR;
    mi.Modulebase = MODULE_BASE_ADDR;
    mi.UserInfoIndex = 0;
    mi.UserInfoErr = 0;
    mi.SysParErr = 1;
    mi.BufferErr = 0;
    mi.Datacrc = crc32c(&mi, 124);
    for (int n = 0; n < 4; ++n)
        std::memcpy(chip.data() + (E2PROM_MODULE_PAGE + n) * 128, &mi, 128);
    chip[(PAR_PART_PAGES + PAR_PAGE_MACHINE) * 128 + 5] ^= 0x40;
    // Journal slots 2 and 5 hold the machine page; slot 5's CRC fails, so it is not listed.
    for (int n : {2, 5}) {
        E2PROMBUFFER b;
        std::memset(&b, 0, sizeof b);
        std::memcpy(b.bPage, d.data() + PAR_PAGE_MACHINE * 128, 128);
        b.bMarker[0] = b.bMarker[1] = 0xA5;
        b.wPageNum = PAR_PART_PAGES + PAR_PAGE_MACHINE;
        b.dwSeq = n == 2 ? 0xFFFFFFFFu : 7;
        b.Datacrc = crc32c(&b, 252) ^ (n == 5 ? 1u : 0u);
        std::memcpy(chip.data() + (E2PROM_BUFFER_PAGE + 2 * n) * 128, &b, sizeof b);
    }
    std::string img = dir + "/eeprom.bin";
    std::ofstream(img, std::ios::binary).write(reinterpret_cast<const char*>(chip.data()), E2PROM_SIZE);
    r = run(inspect + " --table machine " + img);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("# active part 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("# journal slot 2 holds page 257, sequence 4294967295\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("# journal slot 5"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[machine]  # page 257  BAD CRC"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("# pages with a bad CRC: 257(machine)"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("[factsys]"), std::string::npos) << "only the table asked for";

    std::string bad = dir + "/short.bin";
    std::ofstream(bad) << "xyz";
    r = run(inspect + " " + bad);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("neither an EEPROM image"), std::string::npos) << r.out;
}
