// The native back end of the file helpers: POSIX calls on UTF-8 paths, with
// backslashes turned into slashes.
#include "common/files.h"
#include "common/posix_path.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tdu {

std::string native_path(u16view path)
{
    std::string out = utf16_to_utf8(path);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

namespace {

bool ends_with_ignore_case(const std::string& name, const std::string& suffix)
{
    if (suffix.size() > name.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = name[name.size() - suffix.size() + i], b = suffix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
        if (a != b) return false;
    }
    return true;
}

} // namespace

bool path_exists(u16view path)
{
    struct stat st;
    return ::stat(native_path(path).c_str(), &st) == 0;
}

bool is_directory(u16view path)
{
    struct stat st;
    return ::stat(native_path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_regular_file(u16view path)
{
    struct stat st;
    return ::stat(native_path(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool file_size(u16view path, uint64_t& size)
{
    struct stat st;
    if (::stat(native_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool move_file(u16view from, u16view to)
{
    return ::rename(native_path(from).c_str(), native_path(to).c_str()) == 0;
}

bool create_directory(u16view path)
{
    std::string p = native_path(path);
    if (::mkdir(p.c_str(), 0777) == 0) return true;
    struct stat st;
    return errno == EEXIST && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool create_directories(u16view path)
{
    std::string p = native_path(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return false;
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i < p.size() && p[i] != '/') continue;
        if (p[i - 1] == '/') continue;
        std::string part = p.substr(0, i);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

bool remove_native_tree(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;  // a file or a link
    DIR* d = ::opendir(path.c_str());
    if (!d) return false;
    bool ok = true;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!remove_native_tree(path + "/" + name)) ok = false;
    }
    ::closedir(d);
    return ::rmdir(path.c_str()) == 0 && ok;
}

} // namespace

bool remove_folder_tree(u16view path)
{
    std::string p = native_path(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return false;
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISREG(st.st_mode)) return false;
    return remove_native_tree(p);
}

std::vector<u16> list_files(u16view folder, u16view suffix)
{
    std::vector<u16> names;
    std::string dir = native_path(folder);
    std::string end = utf16_to_utf8(suffix);
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == ".." || !ends_with_ignore_case(name, end)) continue;
        struct stat st;
        if (::stat((dir + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        names.push_back(utf8_to_utf16(name));
    }
    ::closedir(d);
    return names;
}

output_file_c::~output_file_c()
{
    close();
}

output_file_c::open_result_t output_file_c::create_new(u16view path)
{
    close();
    int fd = ::open(native_path(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? already_exists : failed;
    handle_ = fd;
    return opened;
}

bool output_file_c::write(const void* data, size_t size)
{
    if (handle_ == invalid) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(static_cast<int>(handle_), p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool output_file_c::set_times(const local_time_t& time)
{
    if (handle_ == invalid) return false;
    std::tm tm{};
    tm.tm_year = time.year - 1900;
    tm.tm_mon = time.month - 1;
    tm.tm_mday = time.day;
    tm.tm_hour = time.hour;
    tm.tm_min = time.minute;
    tm.tm_sec = time.second;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    // A Linux file system keeps no creation time: the last-write time is it.
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = t;
    times[1].tv_nsec = 0;
    return ::futimens(static_cast<int>(handle_), times) == 0;
}

void output_file_c::close()
{
    if (handle_ == invalid) return;
    ::close(static_cast<int>(handle_));
    handle_ = invalid;
}

} // namespace tdu
