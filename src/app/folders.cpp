#include "app/folders.h"

#include <filesystem>
#include <system_error>

namespace tdu {
namespace {

class std_folder_ops_c final : public folder_ops_c {
public:
    bool is_folder(u16view path) override
    {
        if (path.empty()) return false;
        std::error_code ec;
        return std::filesystem::is_directory(std::filesystem::path(u16(path)), ec);
    }
    bool create_folders(u16view path) override
    {
        if (path.empty()) return false;
        std::filesystem::path p{u16(path)};
        std::error_code ec;
        std::filesystem::create_directories(p, ec);
        return std::filesystem::is_directory(p, ec);
    }
};

} // namespace

folder_ops_c& std_folder_ops()
{
    static std_folder_ops_c ops;
    return ops;
}

} // namespace tdu
