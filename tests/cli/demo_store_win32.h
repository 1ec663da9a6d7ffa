#pragma once
// The installed drivers of the demo machine that its offers replace, in the
// prefix as the XP copy's driver store index finds them: the network
// adapter's oem7.inf (Norvale 3.0) and the printer's oem9.inf (Inkmere) in
// the Windows "inf" folder, and their packages in the old-style store
// System32\DRVSTORE, for the life of the object. An installation over them
// backs these packages up first.
#include "support/test_support.h"

#include <windows.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace tdu::test {

class demo_store_c {
public:
    static constexpr const char* norvale_inf =
        "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Net\r\nDriverVer=06/01/2011,3.0.0.0\r\n";
    static constexpr const char* inkmere_inf =
        "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\nDriverVer=03/02/2010,1.0.0.4\r\n";

    demo_store_c()
    {
        namespace fs = std::filesystem;
        wchar_t windows[MAX_PATH] = {}, system[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        GetSystemDirectoryW(system, MAX_PATH);
        const fs::path store = fs::path(system) / "DRVSTORE";
        const bool had_store = fs::exists(store);
        if (!had_store) created_.push_back(store);
        struct package_t {
            const char* inf_name;
            const char* folder;
            const char* file;
            const char* text;
        };
        for (const package_t& p : {package_t{"oem7.inf", "nvgbe_5c0e7a11", "nvgbe", norvale_inf},
                                   package_t{"oem9.inf", "inkp2100_2b7e0c31", "inkp2100", inkmere_inf}}) {
            write_file(fs::path(windows) / "inf" / p.inf_name, p.text);
            created_.push_back(fs::path(windows) / "inf" / p.inf_name);
            write_file(store / p.folder / (std::string(p.file) + ".inf"), p.text);
            write_file(store / p.folder / (std::string(p.file) + ".sys"), std::string("MZ ") + p.file);
            if (had_store) created_.push_back(store / p.folder);
        }
    }
    ~demo_store_c()
    {
        std::error_code ec;
        for (const std::filesystem::path& p : created_) std::filesystem::remove_all(p, ec);
    }
    demo_store_c(const demo_store_c&) = delete;
    demo_store_c& operator=(const demo_store_c&) = delete;

private:
    std::vector<std::filesystem::path> created_;
};

} // namespace tdu::test
