// Natively there is no machine-wide registry: no override comes from it.
#include "app/endpoints.h"

namespace tdu {

endpoints_override_t machine_endpoints_override() { return {}; }

} // namespace tdu
