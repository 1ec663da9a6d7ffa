#pragma once
// Files named by UTF-16 paths, the same way on both targets: _wfopen and
// _wremove on Windows, the path as UTF-8 for the C library elsewhere.
#include <cstdio>

namespace tdu {

// std::fopen with a UTF-16 path; null when the file cannot be opened.
std::FILE* open_file(const char16_t* path, const char* mode);

// Deletes a file; false when it could not be deleted (also when it is absent).
bool remove_file(const char16_t* path);

} // namespace tdu
