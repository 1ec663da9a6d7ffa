#include "common/file_tree.h"

namespace tdu {
namespace {

void collect(u16view root, const u16& relative, std::vector<u16>& files)
{
    std::vector<folder_entry_t> entries;
    if (!list_folder(relative.empty() ? u16(root) : path_join(root, relative), entries)) return;
    for (const folder_entry_t& entry : entries) {
        if (entry.name.empty() || entry.name[0] == u'.') continue;
        u16 path = relative.empty() ? entry.name : relative + u'\\' + entry.name;
        if (entry.is_folder)
            collect(root, path, files);
        else
            files.push_back(std::move(path));
    }
}

} // namespace

std::vector<u16> list_files_below(u16view folder)
{
    std::vector<u16> files;
    collect(folder, u16(), files);
    return files;
}

} // namespace tdu
