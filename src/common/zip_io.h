#pragma once
// Opening zip archives by UTF-16 path: the path argument and the 64-bit file
// functions that minizip's unzOpen2_64 and zipOpen2_64 take. On Windows they
// are minizip's wide-character Win32 functions; natively its stdio ones on
// the UTF-8 path.
#include "common/text.h"

#include <minizip/ioapi.h>

#include <string>

namespace tdu {

class zip_file_path_c {
public:
    explicit zip_file_path_c(u16view path);
    zip_file_path_c(const zip_file_path_c&) = delete;
    zip_file_path_c& operator=(const zip_file_path_c&) = delete;

    // The `path` argument of unzOpen2_64 / zipOpen2_64.
    const void* argument() const;
    zlib_filefunc64_def* functions() { return &functions_; }

private:
    u16 wide_;
    std::string narrow_;
    zlib_filefunc64_def functions_{};
};

} // namespace tdu
