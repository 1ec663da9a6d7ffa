#pragma once
// Sending a package file: 200 with the whole file, 206 with one range,
// 416 for a range past the end; the file is streamed, never read whole.
#include <httplib.h>

#include <string>

namespace tdu::server {

// Answers `req` with the file at `path` (404 when it has gone missing).
void send_package_file(const httplib::Request& req, httplib::Response& res, const std::string& path);

} // namespace tdu::server
