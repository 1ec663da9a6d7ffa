#include "offers/package_zip.h"

#include <windows.h>

#include <minizip/iowin32.h>

namespace tdu::offers {

unzFile open_package_unzip(const std::filesystem::path& zip)
{
    zlib_filefunc64_def functions{};
    fill_win32_filefunc64W(&functions);
    return unzOpen2_64(zip.c_str(), &functions);
}

zipFile create_package_zip(const std::filesystem::path& zip)
{
    zlib_filefunc64_def functions{};
    fill_win32_filefunc64W(&functions);
    return zipOpen2_64(zip.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
}

} // namespace tdu::offers
