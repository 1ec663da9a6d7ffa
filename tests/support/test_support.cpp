#include "support/test_support.h"

#include "common/text.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tdu::test {

fs::path data_dir() { return fs::path(TDU_TEST_DATA_DIR); }

temp_dir_c::temp_dir_c()
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto name = "tdu-test-" + std::to_string(rd()) + "-" + std::to_string(counter++);
        fs::path p = fs::temp_directory_path() / name;
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

temp_dir_c::~temp_dir_c()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::u16string program_path(const fs::path& path)
{
    return utf8_to_utf16(path.u8string());
}

fs::path fs_path(std::u16string program_path)
{
    for (char16_t& c : program_path)
        if (c == u'\\') c = u'/';
    return fs::path(program_path);
}

void write_file(const fs::path& file, const std::string& bytes)
{
    if (file.has_parent_path()) fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string read_file(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> text_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace tdu::test
