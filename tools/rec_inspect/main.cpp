// Checks a splice record file (sprecord.bin) and lists its records in age order.
//
//   rec_inspect [--json] FILE
//
// Exit status 0 for a sound file, 1 for a damaged one (what is wrong goes to standard error;
// the records a reader can still reach are listed), 2 for a file that cannot be read.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "records/recordlisting.h"
#include "records/recordstore.h"

int main(int argc, char** argv)
{
    bool json = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--json")
            json = true;
        else if (!a.empty() && a[0] != '-' && path.empty())
            path = a;
        else {
            std::fprintf(stderr, "usage: rec_inspect [--json] FILE\n");
            return 2;
        }
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: rec_inspect [--json] FILE\n");
        return 2;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "rec_inspect: cannot open %s\n", path.c_str());
        return 2;
    }
    // Bytes past the last slot are never read by the store.
    std::vector<uint8_t> data(static_cast<size_t>(REC_FILE_SIZE));
    in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
    data.resize(size_t(in.gcount()));
    std::string out, faults;
    int r = InspectRecordFile(data.data(), data.size(), json, &out, &faults);
    std::fputs(out.c_str(), stdout);
    if (r != 0) std::fprintf(stderr, "rec_inspect: %s is damaged:\n%s", path.c_str(), faults.c_str());
    return r;
}
