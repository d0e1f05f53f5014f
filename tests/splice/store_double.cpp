// The record images are not stored by this build yet: the splice tests count the saves asked.
#include "tests/splice/store_double.h"

#include "records/record.h"

namespace storedouble
{
int images = 0;
std::function<void()> whileSaving;
} // namespace storedouble

__attribute__((weak)) int AppendRecordImage()
{
    ++storedouble::images;
    if (storedouble::whileSaving) storedouble::whileSaving();
    return 0;
}
