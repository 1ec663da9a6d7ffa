// The native back end of the folder walk: readdir and lstat on UTF-8 paths.
#include "common/file_tree.h"
#include "common/posix_path.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>

namespace tdu {

bool list_folder(u16view folder, std::vector<folder_entry_t>& entries)
{
    std::string dir = native_path(folder);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return false;
    std::vector<std::pair<std::string, bool>> found;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        // lstat: a link to a folder is not followed, so a walk cannot loop.
        if (::lstat((dir + "/" + name).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            found.emplace_back(name, true);
        else if (S_ISREG(st.st_mode))
            found.emplace_back(name, false);
        else if (S_ISLNK(st.st_mode) && ::stat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            found.emplace_back(name, false);
    }
    ::closedir(d);
    // readdir's order depends on the file system; listing by name keeps
    // the walk the same on every run, as NTFS does.
    std::sort(found.begin(), found.end());
    for (auto& f : found) entries.push_back({utf8_to_utf16(f.first), f.second});
    return true;
}

bool file_last_write_time(u16view path, local_time_t& time)
{
    struct stat st;
    if (::stat(native_path(path).c_str(), &st) != 0) return false;
    std::tm tm{};
    if (!::localtime_r(&st.st_mtime, &tm)) return false;
    time.year = tm.tm_year + 1900;
    time.month = tm.tm_mon + 1;
    time.day = tm.tm_mday;
    time.hour = tm.tm_hour;
    time.minute = tm.tm_min;
    time.second = tm.tm_sec;
    return true;
}

} // namespace tdu
