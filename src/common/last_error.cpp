#include "common/last_error.h"

namespace tdu {

std::atomic<int32_t> last_error_code{0};

} // namespace tdu
