#include "offers/package_zip.h"

namespace tdu::offers {

unzFile open_package_unzip(const std::filesystem::path& zip)
{
    return unzOpen64(zip.c_str());
}

zipFile create_package_zip(const std::filesystem::path& zip)
{
    return zipOpen64(zip.c_str(), APPEND_STATUS_CREATE);
}

} // namespace tdu::offers
