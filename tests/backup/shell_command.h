#pragma once
// Native tests only: runs a command through the shell and returns what it
// printed (standard output and error) and its exit status.
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace tdu::test {

inline std::string run_command(const std::string& command, int& status)
{
    std::string out;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

inline std::string shell_quoted(const std::filesystem::path& p)
{
    return "'" + p.string() + "'";
}

} // namespace tdu::test
