#include "http/package_download.h"

#include "http/byte_range.h"

#include <fstream>
#include <memory>

namespace tdu::server {

void send_package_file(const httplib::Request& req, httplib::Response& res, const std::string& path)
{
    auto file = std::make_shared<std::ifstream>(path, std::ios::binary);
    if (!*file) {
        res.status = 404;
        res.set_content("the package file is missing on the server\n", "text/plain");
        return;
    }
    file->seekg(0, std::ios::end);
    auto size = static_cast<std::uint64_t>(file->tellg());
    byte_range_t range = parse_byte_range(req.get_header_value("Range"), size);
    // The library would apply the ranges it parsed to the body once more;
    // this handler has answered them itself.
    const_cast<httplib::Request&>(req).ranges.clear();
    res.set_header("Accept-Ranges", "bytes");
    std::uint64_t first = 0, length = size;
    if (range.kind == byte_range_t::unsatisfiable) {
        res.status = 416;
        res.set_header("Content-Range", "bytes */" + std::to_string(size));
        res.set_content("the range lies past the end of the package\n", "text/plain");
        return;
    }
    if (range.kind == byte_range_t::partial) {
        res.status = 206;
        first = range.first;
        length = range.last - range.first + 1;
        res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) +
                                            "/" + std::to_string(size));
    } else {
        res.status = 200;
    }
    res.set_content_provider(
        static_cast<size_t>(length), "application/zip",
        [file, first](size_t offset, size_t want, httplib::DataSink& sink) {
            char buffer[65536];
            size_t n = want < sizeof buffer ? want : sizeof buffer;
            file->clear();
            file->seekg(static_cast<std::streamoff>(first + offset));
            file->read(buffer, static_cast<std::streamsize>(n));
            auto got = static_cast<size_t>(file->gcount());
            if (got == 0) return false; // the file shrank under us: end the connection
            return sink.write(buffer, got);
        });
}

} // namespace tdu::server
