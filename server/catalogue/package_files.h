#pragma once
// The service's side of reading driver packages (offers/package_files.h):
// the digest of a package file, from OpenSSL.
#include "offers/package_files.h"

#include <filesystem>
#include <string>

namespace tdu::server {

// SHA-256 of a file as 64 lower-case hexadecimal digits.
bool sha256_file(const std::filesystem::path& file, std::string& hex, std::string& error);

} // namespace tdu::server
