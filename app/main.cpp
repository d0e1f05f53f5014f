// Process entry of both programs: the backend takes the process arguments (the simulator's
// options; none on the instrument), then the application runs.
#include "app/splicer_main.h"
#include "platform/seam.h"

int main(int argc, char** argv)
{
    int status = plat_backend_start(argc, argv);
    if (status >= 0) return status;
    return plat_backend_finish(splicer_main());
}
