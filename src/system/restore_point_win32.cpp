// System Restore through SRSetRestorePointW of srclient.dll, loaded at run
// time by its full path in the system folder (never found along the search
// path, and never linked at load time: the DLL is missing on some systems).
#include "system/restore_point.h"

#include "common/win32_text.h"

#include <windows.h>

#include <objbase.h>
#include <srrestoreptapi.h>

#include <string>

namespace tdu {
namespace {

typedef BOOL(WINAPI* set_restore_point_fn)(PRESTOREPOINTINFOW, PSTATEMGRSTATUS);

const wchar_t restore_key[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore";
const wchar_t frequency_value[] = L"SystemRestorePointCreationFrequency";

// The once-a-day limit (in minutes; absent means 24 hours) set to 0 while
// alive and put back as it was: the old value, or no value. The 64-bit view,
// where System Restore reads it, also from a 32-bit program.
class daily_limit_lifted_c {
public:
    daily_limit_lifted_c()
    {
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, restore_key, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD type = 0;
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, frequency_value, nullptr, &type, reinterpret_cast<BYTE*>(&old_), &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD && size == sizeof old_;
        if (!had_) {
            // Another type of value is left alone.
            if (RegQueryValueExW(key_, frequency_value, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
                RegCloseKey(key_);
                key_ = nullptr;
                return;
            }
        }
        DWORD zero = 0;
        set_ = RegSetValueExW(key_, frequency_value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero) ==
               ERROR_SUCCESS;
    }
    ~daily_limit_lifted_c()
    {
        if (!key_) return;
        if (set_) {
            if (had_)
                RegSetValueExW(key_, frequency_value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
            else
                RegDeleteValueW(key_, frequency_value);
        }
        RegCloseKey(key_);
    }
    daily_limit_lifted_c(const daily_limit_lifted_c&) = delete;
    daily_limit_lifted_c& operator=(const daily_limit_lifted_c&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
    bool set_ = false;
};

// COM on the calling thread for the call (the worker's thread has none).
class com_on_thread_c {
public:
    com_on_thread_c() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~com_on_thread_c()
    {
        if (initialized_) CoUninitialize();
    }
    com_on_thread_c(const com_on_thread_c&) = delete;
    com_on_thread_c& operator=(const com_on_thread_c&) = delete;

private:
    bool initialized_;
};

class win32_restore_point_c final : public restore_point_c {
public:
    explicit win32_restore_point_c(bool lift_daily_limit) : lift_daily_limit_(lift_daily_limit) {}
    ~win32_restore_point_c() override
    {
        if (module_) FreeLibrary(module_);
    }
    win32_restore_point_c(const win32_restore_point_c&) = delete;
    win32_restore_point_c& operator=(const win32_restore_point_c&) = delete;

    restore_point_begin_t begin(u16view description) override
    {
        restore_point_begin_t result;
        RESTOREPOINTINFOW info{};
        info.dwEventType = BEGIN_SYSTEM_CHANGE;
        info.dwRestorePtType = DEVICE_DRIVER_INSTALL;
        info.llSequenceNumber = 0;
        size_t length = description.size() < MAX_DESC_W - 1 ? description.size() : MAX_DESC_W - 1;
        for (size_t i = 0; i < length; ++i) info.szDescription[i] = static_cast<WCHAR>(description[i]);
        STATEMGRSTATUS status{};
        if (!call(&info, &status, lift_daily_limit_)) {
            result.status = status.nStatus;
            return result;
        }
        result.made = true;
        result.sequence = status.llSequenceNumber;
        return result;
    }

    bool end(int64_t sequence, bool cancelled) override
    {
        RESTOREPOINTINFOW info{};
        info.dwEventType = END_SYSTEM_CHANGE;
        info.dwRestorePtType = cancelled ? CANCELLED_OPERATION : DEVICE_DRIVER_INSTALL;
        info.llSequenceNumber = sequence;
        STATEMGRSTATUS status{};
        return call(&info, &status, false);
    }

private:
    // The DLL stays loaded from BEGIN to END and until this object goes.
    bool call(RESTOREPOINTINFOW* info, STATEMGRSTATUS* status, bool lift_daily_limit)
    {
        if (!module_) {
            wchar_t folder[MAX_PATH];
            UINT length = GetSystemDirectoryW(folder, MAX_PATH);
            if (length == 0 || length >= MAX_PATH - 16) return false;
            std::wstring path(folder, length);
            path += L"\\srclient.dll";
            module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
            if (!module_) {
                status->nStatus = GetLastError();
                return false;
            }
        }
        auto set_restore_point = reinterpret_cast<set_restore_point_fn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "SRSetRestorePointW")));
        if (!set_restore_point) {
            status->nStatus = ERROR_PROC_NOT_FOUND;
            return false;
        }
        com_on_thread_c com;
        if (!lift_daily_limit) return set_restore_point(info, status) != FALSE;
        daily_limit_lifted_c lifted;
        return set_restore_point(info, status) != FALSE;
    }

    bool lift_daily_limit_;
    HMODULE module_ = nullptr;
};

} // namespace

std::unique_ptr<restore_point_c> make_win32_restore_point(bool lift_daily_limit)
{
    return std::unique_ptr<restore_point_c>(new win32_restore_point_c(lift_daily_limit));
}

} // namespace tdu
