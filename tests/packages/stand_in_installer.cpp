// A stand-in for the installer tools and setup programs the program starts:
// it writes the command line it was started with, as UTF-8, to a file named
// after itself with ".cmdline" appended, and exits, with the code that the
// variable TDU_STAND_IN_EXIT_CODE holds (decimal, or "0x" and hexadecimal)
// or else 0. The file appears whole (written beside and renamed), so a test
// that waits for it never reads half of it.
#include <windows.h>

#include <cwchar>
#include <string>

int wmain()
{
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    std::wstring target = std::wstring(self) + L".cmdline";
    std::wstring partial = target + L".part";

    const wchar_t* line = GetCommandLineW();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, &utf8[0], bytes, nullptr, nullptr);

    HANDLE f = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    BOOL ok = WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(f);
    if (!ok || written != utf8.size()) return 3;
    if (!MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 4;
    wchar_t code[32] = {};
    if (!GetEnvironmentVariableW(L"TDU_STAND_IN_EXIT_CODE", code, 32)) return 0;
    return static_cast<int>(std::wcstoul(code, nullptr, 0));
}
