// The settings store of the Windows program: the current user's registry,
// the shell's folder calls, and the program's folder and path as the
// platform environment captured them.
#include "app/environment.h"
#include "app/settings.h"

namespace tdu {

settings_store_t& win32_settings_store()
{
    static settings_store_t store{win32_registry(), win32_folder_ops(), u16(environment.program_folder),
                                  u16(environment.program_path), system_utc_now};
    return store;
}

} // namespace tdu
