// UTF-16 paths on the native build: the C library takes UTF-8, and a
// backslash separates folders as it does on Windows (posix_path.h).
#include "common/file_io.h"

#include "common/posix_path.h"

#include <sys/stat.h>
#include <unistd.h>

namespace tdu {

std::FILE* open_file(const char16_t* path, const char* mode)
{
    return std::fopen(native_path(path).c_str(), mode);
}

bool remove_file(const char16_t* path)
{
    // Files only, as _wremove on Windows: a folder is not removed.
    std::string p = native_path(path);
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(p.c_str()) == 0;
}

} // namespace tdu
