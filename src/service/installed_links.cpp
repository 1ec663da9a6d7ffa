#include "service/installed_links.h"

#include "app/environment.h"
#include "common/file_io.h"
#include "common/files.h"
#include "service/update_client.h"

#include <cstdio>

namespace tdu {

u16 installed_links_path(u16view program_folder)
{
    return path_join(program_folder, u"setup.dat");
}

void read_installed_links(const char16_t* path, std::set<std::string>& links)
{
    std::FILE* file = open_file(path, "r");
    if (!file) return;
    links.clear();
    char line[1025];
    while (std::fgets(line, sizeof line, file)) {
        std::string_view piece(line);
        size_t begin = piece.find_first_not_of(" \t\r\n");
        if (begin == std::string_view::npos) continue;
        size_t end = piece.find_last_not_of(" \t\r\n");
        links.emplace(piece.substr(begin, end - begin + 1));
    }
    std::fclose(file);
}

void load_installed_links(update_client_t& client)
{
    read_installed_links(installed_links_path(environment.program_folder).c_str(), client.installed_links);
}

bool append_installed_link(u16view program_folder, const std::string& link)
{
    std::FILE* f = open_file(installed_links_path(program_folder).c_str(), "ab");
    if (!f) return false;
    std::string line = link + "\n";
    bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace tdu
