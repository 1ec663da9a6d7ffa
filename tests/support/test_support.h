#pragma once
// Small helpers for the tests of both builds.
#include <filesystem>
#include <string>
#include <vector>

namespace tdu::test {

// The folder tests/data of the source tree, as the test program sees it.
std::filesystem::path data_dir();

// A fresh empty folder below the system's temporary folder, removed with
// everything in it when the object goes away.
class temp_dir_c {
public:
    temp_dir_c();
    ~temp_dir_c();
    temp_dir_c(const temp_dir_c&) = delete;
    temp_dir_c& operator=(const temp_dir_c&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A path as the program holds it (UTF-16), and a path of the program (with
// backslashes, which the native build also reads as separators) for
// std::filesystem on either target.
std::u16string program_path(const std::filesystem::path& path);
std::filesystem::path fs_path(std::u16string program_path);

// Writes `bytes` to `file`, creating its folders.
void write_file(const std::filesystem::path& file, const std::string& bytes);
std::string read_file(const std::filesystem::path& file);

// The lines of `text`, each without its "\n" or "\r\n".
std::vector<std::string> text_lines(const std::string& text);

} // namespace tdu::test
