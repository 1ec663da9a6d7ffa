// UTF-16 paths on Windows go to the wide C library calls unchanged.
#include "common/file_io.h"

#include "common/win32_text.h"

#include <string>

namespace tdu {

std::FILE* open_file(const char16_t* path, const char* mode)
{
    std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(wide(path), wide_mode.c_str());
}

bool remove_file(const char16_t* path)
{
    return _wremove(wide(path)) == 0;
}

} // namespace tdu
