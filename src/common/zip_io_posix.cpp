// Native: minizip's stdio file functions on the UTF-8 path with slashes.
#include "common/posix_path.h"
#include "common/zip_io.h"

namespace tdu {

zip_file_path_c::zip_file_path_c(u16view path) : narrow_(native_path(path))
{
    fill_fopen64_filefunc(&functions_);
}

const void* zip_file_path_c::argument() const
{
    return narrow_.c_str();
}

} // namespace tdu
