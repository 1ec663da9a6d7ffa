#pragma once
// What a Windows test expects where the answer depends on the build's
// architecture, one row per architecture. The x86 program runs under Wine
// in the 32-bit prefix, where the system is 32-bit; the x64 program is a
// 64-bit process, so its system is 64-bit, IsWow64Process says no (it is
// not redirected) and the 64-bit installer tool is chosen. A 32-bit program
// on a 64-bit Windows (WOW64) is covered by the native tables of the
// decisions, not by a prefix.
#include <cstddef>

namespace tdu::test {

struct architecture_expectations_t {
    const char* name;                 // "x86" or "x64"
    bool system_is_64bit;             // is_64bit_system of the program's environment
    bool wow64_process;               // what IsWow64Process answers the program
    const wchar_t* driver_installer;  // the installer tool the program starts
    const char* driver_installer_name;  // the same, for searches in narrow text
    const char* os_code_suffix;       // after the update request's system code ("WIN7", "WIN764")
    const char* report_arch;          // the diagnostic report's "arch" attribute
    const wchar_t* setup_suffix;      // after the setup program's version in its file name
    const wchar_t* display_name;      // the setup's name in the system's list of programs
};

inline const architecture_expectations_t& this_architecture()
{
    static const architecture_expectations_t table[] = {
        {"x86", false, false, L"DPInst32.exe", "DPInst32.exe", "", "32-bit", L"", L"Tavrill Driver Updater"},
        {"x64", true, false, L"DPInst64.exe", "DPInst64.exe", "64", "64-bit", L"-x64", L"Tavrill Driver Updater (x64)"},
    };
    return table[sizeof(void*) == 8 ? 1 : 0];
}

} // namespace tdu::test
