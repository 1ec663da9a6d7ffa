#include "common/last_error.h"

namespace tdu {
namespace {

thread_local int32_t last_error_code = 0;

} // namespace

void set_last_error(int32_t code)
{
    last_error_code = code;
}

int32_t get_last_error()
{
    return last_error_code;
}

} // namespace tdu
