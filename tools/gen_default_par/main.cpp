// Builds the default parameter image "/mnt/usr/Default.par" (233 pages of 128 bytes, each with its
// CRC) from readable field tables:
//
//   # comment                 whole-line comments
//   [machine]                 a table of one page
//   [splicemode 3]            the third page of a table of many (counted from 1)
//   from = splicetemp 1       start from a page defined earlier
//   dwKeySound = 1            fields by name; numbers, "texts", byte lists "1 2 3"
//
// Pages no table mentions stay zero (with a valid CRC).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "params/param_fields.h"
#include "params/param_store.h"

namespace
{

std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

struct Builder {
    std::vector<uint8_t> image = std::vector<uint8_t>(PAR_PART_SIZE, 0);
    std::vector<bool> defined = std::vector<bool>(PAR_PART_PAGES, false);

    // "name" or "name N" -> relative page, or -1.
    int page_of(const std::string& ref, const ParamTableDesc** table, std::string& err)
    {
        std::istringstream in(ref);
        std::string name;
        int index = 1;
        in >> name;
        const ParamTableDesc* t = ParamTableByName(name);
        if (!t) {
            err = "unknown table \"" + name + "\"";
            return -1;
        }
        if (!(in >> index)) index = 1;
        std::string rest;
        if (in >> rest) {
            err = "unexpected \"" + rest + "\"";
            return -1;
        }
        if (index < 1 || index > t->count) {
            err = "index " + std::to_string(index) + " outside 1.." + std::to_string(t->count);
            return -1;
        }
        *table = t;
        return t->firstPage + index - 1;
    }

    bool load(const char* path)
    {
        std::ifstream in(path);
        if (!in) {
            fprintf(stderr, "%s: cannot be read\n", path);
            return false;
        }
        std::string line;
        int lineNo = 0;
        int page = -1;
        const ParamTableDesc* table = nullptr;
        auto fail = [&](const std::string& msg) {
            fprintf(stderr, "%s:%d: %s\n", path, lineNo, msg.c_str());
            return false;
        };
        while (std::getline(in, line)) {
            ++lineNo;
            std::string s = trim(line);
            if (s.empty() || s[0] == '#') continue;
            std::string err;
            if (s.front() == '[') {
                if (s.back() != ']') return fail("section without ']'");
                page = page_of(s.substr(1, s.size() - 2), &table, err);
                if (page < 0) return fail(err);
                if (defined[size_t(page)]) return fail("page defined twice");
                defined[size_t(page)] = true;
                continue;
            }
            size_t eq = s.find('=');
            if (eq == std::string::npos) return fail("\"name = value\" expected");
            if (page < 0) return fail("field outside a section");
            std::string name = trim(s.substr(0, eq)), value = trim(s.substr(eq + 1));
            uint8_t* dst = image.data() + page * E2PROM_PAGE_SIZE;
            if (name == "from") {
                const ParamTableDesc* src = nullptr;
                int from = page_of(value, &src, err);
                if (from < 0) return fail(err);
                if (!defined[size_t(from)] || from == page)
                    return fail("\"from\" names a page not defined before");
                std::copy_n(image.data() + from * E2PROM_PAGE_SIZE, E2PROM_PAGE_SIZE, dst);
                continue;
            }
            const ParamField* f = ParamFieldByName(*table, name);
            if (!f) return fail("no field \"" + name + "\" in " + table->name);
            if (!ParamFieldSet(*f, dst, value, err)) return fail(name + ": " + err);
        }
        return true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: gen_default_par OUTPUT.par TABLES.txt...\n");
        return 2;
    }
    Builder b;
    for (int i = 2; i < argc; ++i)
        if (!b.load(argv[i])) return 1;
    for (int p = 0; p < PAR_PART_PAGES; ++p)
        E2prom_SetPageCrc(b.image.data() + p * E2PROM_PAGE_SIZE);
    std::string tmp = std::string(argv[1]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(b.image.data()), std::streamsize(b.image.size()));
        if (!out.good()) {
            fprintf(stderr, "%s: cannot be written\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[1]) != 0) {
        fprintf(stderr, "%s: cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
