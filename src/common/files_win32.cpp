// The Windows back end of the file helpers: the wide-character calls.
#include "common/files.h"
#include "common/win32_text.h"


namespace tdu {
namespace {

std::wstring wide_path(u16view path)
{
    return std::wstring(path.begin(), path.end());
}

bool attributes(u16view path, DWORD& attr)
{
    attr = GetFileAttributesW(wide_path(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES;
}

bool ends_with_ignore_case(const std::wstring& name, u16view suffix)
{
    if (suffix.size() > name.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        wchar_t a = name[name.size() - suffix.size() + i], b = suffix[i];
        if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a + 32);
        if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b + 32);
        if (a != b) return false;
    }
    return true;
}

} // namespace

bool path_exists(u16view path)
{
    DWORD attr;
    return attributes(path, attr);
}

bool is_directory(u16view path)
{
    DWORD attr;
    return attributes(path, attr) && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_regular_file(u16view path)
{
    DWORD attr;
    return attributes(path, attr) && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_size(u16view path, uint64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide_path(path).c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool move_file(u16view from, u16view to)
{
    return MoveFileExW(wide_path(from).c_str(), wide_path(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool create_directory(u16view path)
{
    if (CreateDirectoryW(wide_path(path).c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && is_directory(path);
}

bool create_directories(u16view path)
{
    u16 p(path);
    while (p.size() > 1 && (p.back() == u'\\' || p.back() == u'/')) p.pop_back();
    if (p.empty()) return false;
    if (is_directory(p)) return true;
    // Parents first; a drive ("C:") or a share root needs no creating.
    size_t cut = p.find_last_of(u"\\/");
    if (cut != u16::npos && cut > 0) {
        u16 parent = p.substr(0, cut);
        bool is_root = parent.size() == 2 && parent[1] == u':';
        if (!is_root && !is_directory(parent) && !create_directories(parent)) return false;
    }
    return create_directory(p);
}

namespace {

// A junction or a folder link is a reparse point: RemoveDirectoryW takes the
// link away without entering it.
bool remove_wide_tree(const std::wstring& path, DWORD attr)
{
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        if (attr & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
        return DeleteFileW(path.c_str()) != FALSE;
    }
    bool ok = true;
    if (!(attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                if (!remove_wide_tree(path + L"\\" + name, data.dwFileAttributes)) ok = false;
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
    }
    if (attr & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
    return RemoveDirectoryW(path.c_str()) != FALSE && ok;
}

} // namespace

bool remove_folder_tree(u16view path)
{
    u16 p(path);
    while (p.size() > 1 && (p.back() == u'\\' || p.back() == u'/')) p.pop_back();
    if (p.empty()) return false;
    DWORD attr;
    if (!attributes(p, attr)) {
        DWORD e = GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
    }
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return remove_wide_tree(wide_path(p), attr);
}

std::vector<u16> list_files(u16view folder, u16view suffix)
{
    std::vector<u16> names;
    std::wstring pattern = wide_path(path_join(folder, u"*"));
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::wstring name = data.cFileName;
        if (ends_with_ignore_case(name, suffix)) names.push_back(u16(u16ptr(name.c_str())));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

output_file_c::~output_file_c()
{
    close();
}

output_file_c::open_result_t output_file_c::create_new(u16view path)
{
    close();
    HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? already_exists : failed;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return opened;
}

bool output_file_c::write(const void* data, size_t size)
{
    if (handle_ == invalid) return false;
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        size -= written;
    }
    return true;
}

bool output_file_c::set_times(const local_time_t& time)
{
    if (handle_ == invalid) return false;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(time.year);
    st.wMonth = static_cast<WORD>(time.month);
    st.wDay = static_cast<WORD>(time.day);
    st.wHour = static_cast<WORD>(time.hour);
    st.wMinute = static_cast<WORD>(time.minute);
    st.wSecond = static_cast<WORD>(time.second);
    FILETIME local, utc;
    if (!SystemTimeToFileTime(&st, &local) || !LocalFileTimeToFileTime(&local, &utc)) return false;
    return SetFileTime(reinterpret_cast<HANDLE>(handle_), &utc, nullptr, &utc) != FALSE;
}

void output_file_c::close()
{
    if (handle_ == invalid) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = invalid;
}

} // namespace tdu
