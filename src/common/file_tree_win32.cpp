// The Windows back end of the folder walk: FindFirstFileW and file times.
#include "common/file_tree.h"
#include "common/win32_text.h"

namespace tdu {

bool list_folder(u16view folder, std::vector<folder_entry_t>& entries)
{
    u16 pattern = path_join(folder, u"*");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wide(pattern.c_str()), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        bool is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A junction or folder link may point back up the tree.
        if (is_folder && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        entries.push_back({u16(u16ptr(name.c_str())), is_folder});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool file_last_write_time(u16view path, local_time_t& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(u16(path).c_str()), GetFileExInfoStandard, &data)) return false;
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st)) return false;
    time.year = st.wYear;
    time.month = st.wMonth;
    time.day = st.wDay;
    time.hour = st.wHour;
    time.minute = st.wMinute;
    time.second = st.wSecond;
    return true;
}

} // namespace tdu
