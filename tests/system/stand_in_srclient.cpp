// A stand-in for srclient.dll, put in the system folder by the tests: its
// SRSetRestorePointW appends each call to the file named by
// TDU_SRCLIENT_LOG, one line of
//   <BEGIN|END> <restore point type> <sequence> freq=<limit|none> <description>
// where freq is the once-a-day limit in the registry at the time of the
// call. It answers TRUE with sequence 42, or FALSE with status 1058 (service
// disabled) when TDU_SRCLIENT_REFUSE is set.
#include <windows.h>

#include <srrestoreptapi.h>

#include <cstdio>
#include <cwchar>

namespace {

void frequency(char* out, size_t size)
{
    HKEY key = nullptr;
    DWORD value = 0;
    DWORD type = 0;
    DWORD bytes = sizeof value;
    LONG read = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore", 0,
                              KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key);
    if (read == ERROR_SUCCESS) {
        read = RegQueryValueExW(key, L"SystemRestorePointCreationFrequency", nullptr, &type,
                                reinterpret_cast<BYTE*>(&value), &bytes);
        RegCloseKey(key);
    }
    if (read == ERROR_SUCCESS && type == REG_DWORD)
        std::snprintf(out, size, "%lu", static_cast<unsigned long>(value));
    else
        std::snprintf(out, size, "none");
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI SRSetRestorePointW(PRESTOREPOINTINFOW spec, PSTATEMGRSTATUS status)
{
    wchar_t path[MAX_PATH];
    if (GetEnvironmentVariableW(L"TDU_SRCLIENT_LOG", path, MAX_PATH) - 1 < MAX_PATH - 1) {
        if (FILE* file = _wfopen(path, L"ab")) {
            char limit[16];
            frequency(limit, sizeof limit);
            char description[3 * MAX_DESC_W] = {};
            WideCharToMultiByte(CP_UTF8, 0, spec->szDescription, -1, description, sizeof description, nullptr,
                                nullptr);
            std::fprintf(file, "%s %lu %lld freq=%s %s\n", spec->dwEventType == BEGIN_SYSTEM_CHANGE ? "BEGIN" : "END",
                         static_cast<unsigned long>(spec->dwRestorePtType),
                         static_cast<long long>(spec->llSequenceNumber), limit, description);
            std::fclose(file);
        }
    }
    if (GetEnvironmentVariableW(L"TDU_SRCLIENT_REFUSE", nullptr, 0) != 0) {
        status->nStatus = ERROR_SERVICE_DISABLED;
        status->llSequenceNumber = 0;
        return FALSE;
    }
    status->nStatus = ERROR_SUCCESS;
    status->llSequenceNumber = 42;
    return TRUE;
}
