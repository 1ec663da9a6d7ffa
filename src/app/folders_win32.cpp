// Folders through the shell, as on every supported Windows version.
#include "app/folders.h"

#include "common/win32_text.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace tdu {
namespace {

class win32_folder_ops_c final : public folder_ops_c {
public:
    bool is_folder(u16view path) override
    {
        u16 p(path);
        return !p.empty() && PathIsDirectoryW(wide(p.c_str()));
    }
    bool create_folders(u16view path) override
    {
        u16 p(path);
        if (p.empty()) return false;
        int rc = SHCreateDirectoryExW(nullptr, wide(p.c_str()), nullptr);
        return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS
                   ? PathIsDirectoryW(wide(p.c_str())) != FALSE
                   : false;
    }
};

} // namespace

folder_ops_c& win32_folder_ops()
{
    static win32_folder_ops_c ops;
    return ops;
}

} // namespace tdu
