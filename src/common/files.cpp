#include "common/files.h"

namespace tdu {

u16 path_join(u16view folder, u16view name)
{
    if (folder.empty()) return u16(name);
    u16 out(folder);
    if (out.back() != u'\\' && out.back() != u'/') out.push_back(u'\\');
    size_t skip = 0;
    while (skip < name.size() && (name[skip] == u'\\' || name[skip] == u'/')) ++skip;
    out.append(name.substr(skip));
    return out;
}

u16view path_file_name(u16view path)
{
    size_t cut = path.find_last_of(u"\\/");
    return cut == u16view::npos ? path : path.substr(cut + 1);
}

} // namespace tdu
