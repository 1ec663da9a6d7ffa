#pragma once
// What locating driver packages needs from the system: environment
// variables in paths, and the Setup API call that tells where an installed
// INF file lies in the driver store (Windows Vista and later). Win32: the
// kernel call and the function looked up at run time in "Setupapi.dll";
// native tests use a fake over a folder tree.
#include "common/text.h"

#include <cstdint>
#include <functional>

namespace tdu {

// The parameters of SetupGetInfDriverStoreLocationW: INF file name,
// alternate platform (null), locale name (null), result buffer and its size
// in characters (including the terminator), required size (may be null).
// True when the buffer holds the full path of the INF inside the store.
using locate_inf_t = std::function<bool(const char16_t* inf_name, const void* alternate_platform,
                                        const char16_t* locale_name, char16_t* buffer, uint32_t buffer_chars,
                                        uint32_t* required_chars)>;

class store_platform_c {
public:
    virtual ~store_platform_c() = default;
    // ExpandEnvironmentStringsW.
    virtual u16 expand_environment(u16view text) = 0;
    // SetupGetInfDriverStoreLocationW from "Setupapi.dll", loaded at run
    // time; an empty function when the library or the function is missing.
    virtual locate_inf_t load_store_locator() = 0;
};

// The Win32 implementation (Windows build only).
store_platform_c& win32_store_platform();

} // namespace tdu
