// The global services over the Win32 calls.
#include "app/endpoints.h"
#include "app/global_services.h"
#include "devices/scan_share.h"
#include "devices/setup_api.h"

namespace tdu {

bool global_init()
{
    return global_init(win32_scan_share_source(), endpoints().scan_share_host, win32_setup_api());
}

void app_cleanup()
{
    app_cleanup(win32_setup_api());
}

} // namespace tdu
