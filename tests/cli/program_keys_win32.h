#pragma once
// The program's settings key and the installer's key in the Wine prefix:
// the console front end's tests start the program as on a machine where the
// installer chose English and the program never ran, and remove both keys
// afterwards.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

namespace tdu::test {

inline void reset_program_keys(bool english_installer)
{
    SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tavrill Driver Updater");
    SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tavrill_Driver_Updater_Init");
    if (!english_installer) return;
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tavrill_Driver_Updater_Init", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    DWORD english = 1;
    RegSetValueExW(k, L"language", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&english), sizeof english);
    RegCloseKey(k);
}

} // namespace tdu::test
