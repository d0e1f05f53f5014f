// The record images are not stored by this build yet: the splice tests count the saves asked.
#include "tests/splice/store_double.h"

#include "records/record.h"

namespace storedouble
{
int images = 0;
}

__attribute__((weak)) int AppendRecordImage()
{
    ++storedouble::images;
    return 0;
}
