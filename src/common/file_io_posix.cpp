// UTF-16 paths on the native build: the C library takes UTF-8.
#include "common/file_io.h"

#include "common/text.h"

namespace tdu {

std::FILE* open_file(const char16_t* path, const char* mode)
{
    return std::fopen(utf16_to_utf8(path).c_str(), mode);
}

bool remove_file(const char16_t* path)
{
    return std::remove(utf16_to_utf8(path).c_str()) == 0;
}

} // namespace tdu
