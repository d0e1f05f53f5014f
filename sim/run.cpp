// splicer-sim's side of the process: options, the data root, the clock mode.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/scheduler.h"

int plat_backend_start(int argc, char** argv)
{
    std::string root = "out/sim";
    bool realtime = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--root") && i + 1 < argc) {
            root = argv[++i];
        } else if (!std::strcmp(argv[i], "--realtime")) {
            realtime = true;
        } else {
            std::fprintf(stderr, "usage: splicer-sim --root DIR [--scenario FILE] [--realtime]\n");
            return 2;
        }
    }
    sim::Scheduler::instance().reset(realtime);
    sim::Scheduler::instance().attach_current("main");
    sim::set_data_root(root);
    return -1;
}

int plat_backend_finish(int status) { return status; }
