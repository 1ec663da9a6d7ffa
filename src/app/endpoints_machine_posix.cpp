// Natively there is no machine-wide registry: no override and no
// trusted key come from it.
#include "app/endpoints.h"

namespace tdu {

endpoints_override_t machine_value_lines(const char16_t*) { return {}; }

} // namespace tdu
