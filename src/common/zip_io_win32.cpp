// Windows: minizip's wide-character Win32 file functions, so that archive
// paths outside the ANSI code page open too.
#include "common/zip_io.h"

#include <windows.h>

#include <minizip/iowin32.h>

namespace tdu {

zip_file_path_c::zip_file_path_c(u16view path) : wide_(path)
{
    fill_win32_filefunc64W(&functions_);
}

const void* zip_file_path_c::argument() const
{
    return wide_.c_str();
}

} // namespace tdu
