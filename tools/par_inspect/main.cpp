// Prints an EEPROM image (65536 bytes) or a parameter file (Default.par, usr.par: 233 pages,
// optionally with a 12-byte trailer) as named table fields, and lists the pages whose CRC fails.
//
//   par_inspect [--all] [--table NAME] FILE
//
// Splice and heater modes and templates whose page is empty are left out unless --all is given.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "params/param_fields.h"
#include "params/param_tables.h"

namespace
{

bool empty_mode(const ParamTableDesc& t, const uint8_t* page)
{
    std::string n = t.name;
    if (n == "splicetemp" || n == "splicemode") return page[offsetof(APPSPLICE, bModeDefine)] == 0;
    if (n == "heatertemp" || n == "heatermode") return page[offsetof(APPHEATER, szModeName)] == 0;
    return false;
}

void print_part(const uint8_t* part, int absBase, bool all, const std::string& only, int userIndex)
{
    std::vector<int> bad;
    for (int p = 0; p < PAR_PART_PAGES; ++p)
        if (!E2prom_PageCrcOk(part + p * E2PROM_PAGE_SIZE)) bad.push_back(p);
    for (const auto& t : ParamTables()) {
        if (!only.empty() && only != t.name) continue;
        if (t.fields->empty()) continue;
        for (int i = 0; i < t.count; ++i) {
            int rel = t.firstPage + i;
            const uint8_t* page = part + rel * E2PROM_PAGE_SIZE;
            bool isUser = std::string(t.name) == "userinfo";
            if (!all && isUser && i != userIndex) continue;
            if (!all && empty_mode(t, page)) continue;
            bool ok = E2prom_PageCrcOk(page);
            if (t.count > 1)
                printf("[%s %d]", t.name, i + 1);
            else
                printf("[%s]", t.name);
            printf("  # page %d%s\n", absBase + rel, ok ? "" : "  BAD CRC");
            for (const auto& f : *t.fields)
                printf("%s = %s\n", f.name.c_str(), ParamFieldText(f, page).c_str());
            printf("\n");
        }
    }
    if (bad.empty()) {
        printf("# every page CRC is valid\n");
    } else {
        printf("# pages with a bad CRC:");
        for (int p : bad) {
            const ParamTableDesc* t = ParamTableOfPage(p);
            printf(" %d(%s)", absBase + p, t ? t->name : "?");
        }
        printf("\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    bool all = false;
    std::string only, path;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--all")
            all = true;
        else if (a == "--table" && i + 1 < argc)
            only = argv[++i];
        else if (!a.empty() && a[0] != '-' && path.empty())
            path = a;
        else {
            fprintf(stderr, "usage: par_inspect [--all] [--table NAME] FILE\n");
            return 2;
        }
    }
    if (path.empty()) {
        fprintf(stderr, "usage: par_inspect [--all] [--table NAME] FILE\n");
        return 2;
    }
    if (!only.empty() && !ParamTableByName(only)) {
        fprintf(stderr, "unknown table \"%s\"\n", only.c_str());
        return 2;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "%s: cannot be read\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() == size_t(PAR_PART_SIZE) || data.size() == size_t(PAR_PART_SIZE + 12)) {
        printf("# parameter file, %zu bytes\n", data.size());
        print_part(data.data(), 0, all, only, 0);
        return 0;
    }
    if (data.size() != size_t(E2PROM_SIZE)) {
        fprintf(stderr, "%s: %zu bytes is neither an EEPROM image (%d) nor a parameter file (%d)\n",
                path.c_str(), data.size(), E2PROM_SIZE, PAR_PART_SIZE);
        return 1;
    }
    printf("# EEPROM image\n");
    const MODULEINFO* used = nullptr;
    for (int n = 0; n < E2PROM_MODULE_COPIES; ++n) {
        MODULEINFO m;
        std::memcpy(&m, data.data() + (E2PROM_MODULE_PAGE + n) * E2PROM_PAGE_SIZE, sizeof m);
        bool ok = crc32c(&m, PAGE_CRC_OFFSET) == m.Datacrc;
        printf("# module copy %d: %s\n", n, ok ? "valid" : "BAD CRC");
        if (ok && !used) {
            used = reinterpret_cast<const MODULEINFO*>(data.data() +
                                                       (E2PROM_MODULE_PAGE + n) * E2PROM_PAGE_SIZE);
            showmodule(used);
        }
    }
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        const uint8_t* s = data.data() + (E2PROM_BUFFER_PAGE + 2 * n) * E2PROM_PAGE_SIZE;
        bool marker = s[128] == 0xA5 && s[129] == 0xA5;
        auto u32 = [s](int at) {
            return uint32_t(s[at]) | uint32_t(s[at + 1]) << 8 | uint32_t(s[at + 2]) << 16 |
                   uint32_t(s[at + 3]) << 24;
        };
        if (marker && crc32c(s, 252) == u32(252))
            printf("# journal slot %d holds page %d, sequence %u\n", n, s[130] | s[131] << 8,
                   unsigned(u32(int(offsetof(E2PROMBUFFER, dwSeq)))));
    }
    const uint8_t* region = data.data() + E2PROM_REGION_PAGE * E2PROM_PAGE_SIZE;
    printf("# region flag: %s\n", region[0] == 0x5A && region[1] == 0xA5 ? "home market" : "not set");
    if (!used) {
        printf("# no valid module record: the active part is unknown, showing part 0\n");
        print_part(data.data(), 0, all, only, 0);
        return 0;
    }
    int base = used->SysParBaseAddr != 0 ? PAR_PART_PAGES : 0;
    printf("# active part %d\n\n", base ? 1 : 0);
    print_part(data.data() + base * E2PROM_PAGE_SIZE, base, all, only, used->UserInfoIndex);
    return 0;
}
