// The scan run over the program's own services.
#include "devices/scan_run.h"

#include "devices/setup_api.h"

namespace tdu {

scan_services_t program_scan_services(const int32_t& scan_offline)
{
    return scan_services_t{device_inventory, win32_setup_api(), update_client(), scan_offline, language_table};
}

} // namespace tdu
