#pragma once
// Folder checks and creation for the settings store's download and backup
// folders: the shell's calls on Windows, std::filesystem elsewhere.
#include "common/text.h"

namespace tdu {

class folder_ops_c {
public:
    virtual ~folder_ops_c() = default;
    // Whether `path` names an existing folder (PathIsDirectoryW).
    virtual bool is_folder(u16view path) = 0;
    // Creates `path` with every missing parent (SHCreateDirectoryExW); true
    // when the folder exists afterwards.
    virtual bool create_folders(u16view path) = 0;
};

// std::filesystem (both builds; the native one uses it).
folder_ops_c& std_folder_ops();
// The shell's calls (Windows build only).
folder_ops_c& win32_folder_ops();

} // namespace tdu
