#include "packages/download_naming.h"

#include "common/ansi_text.h"
#include "common/files.h"
#include "common/md5.h"

namespace tdu {

namespace {

std::string_view last_segment(std::string_view link)
{
    size_t slash = link.find_last_of('/');
    return slash == std::string_view::npos ? link : link.substr(slash + 1);
}

} // namespace

std::string link_extension(std::string_view link)
{
    // Only the last segment can carry the file's extension; a dot further
    // left (in the host name, say) would put a folder into the name.
    std::string_view segment = last_segment(link);
    size_t dot = segment.find_last_of('.');
    if (dot == std::string_view::npos) return {};
    std::string_view extension = segment.substr(dot);
    size_t bad = extension.find_first_of("\\/:*?\"<>|");
    if (bad != std::string_view::npos) extension = extension.substr(0, bad);
    return extension.size() > 1 ? std::string(extension) : std::string();
}

download_names_t download_names(std::string_view link, u16view download_folder)
{
    u16 base = path_join(download_folder, ascii_to_utf16(md5_hex_of(last_segment(link))));
    base += ansi_to_utf16(link_extension(link));
    download_names_t names;
    names.final_path = base;
    names.temp_path = base + u".tmp";
    return names;
}

} // namespace tdu
