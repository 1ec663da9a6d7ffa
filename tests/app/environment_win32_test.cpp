// The Win32 source of the platform facts, against Wine's real calls. Wine's
// default prefix reports Windows 7 (6.1, workstation); other versions are
// set per program through HKCU\Software\Wine\AppDefaults\<exe>\Version, so
// the test copies itself under another name, sets that name's version and
// runs the copy as a probe that prints what it captured.
#include "app/environment.h"
#include "common/text.h"
#include "common/win32_text.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace tdu;
using tdu::test::own_path;

namespace {

int run_probe()
{
    environment_t env;
    if (!environment_capture(env, win32_environment_source())) return 3;
    std::printf("%s %d %d %u\n", os_code_text(env), static_cast<int>(os_version_number(env.version_info)),
                static_cast<int>(env.os_type), static_cast<unsigned>(env.version_info.build));
    return 0;
}

} // namespace

// The x86 build runs in the 32-bit prefix (a 32-bit Windows), the x64 build
// in the 64-bit one: see support/architecture.h.
TEST(EnvironmentWin32, DefaultPrefixIsWindows7OfTheBuildsArchitecture)
{
    const auto& arch = tdu::test::this_architecture();
    environment_t env;
    ASSERT_TRUE(environment_capture(env, win32_environment_source()));
    EXPECT_EQ(env.version_info.platform_id, ver_platform_win32_nt);
    EXPECT_EQ(os_version_number(env.version_info), 61);
    EXPECT_EQ(env.os_type, 8);
    EXPECT_EQ(std::string(os_code_text(env)), std::string("WIN7") + arch.os_code_suffix);
    EXPECT_EQ(is_64bit_system(env), arch.system_is_64bit);
    EXPECT_EQ(env.wow64_process, arch.wow64_process);
    EXPECT_EQ(env.oem_code_page, GetOEMCP());
    EXPECT_GE(env.system_info.number_of_processors, 1u);

    EXPECT_EQ(std::wstring(wide(env.program_path)), own_path());
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::wstring folder = cwd;
    if (folder.back() != L'\\') folder += L'\\';
    EXPECT_EQ(std::wstring(wide(env.program_folder)), folder);
}

TEST(EnvironmentWin32, OtherWindowsVersionsSetInThePrefix)
{
    // "{64}" stands for the architecture's suffix of the system code
    struct row { const wchar_t* wine_version; std::string expected; };
    const row rows[] = {
        {L"winxp", "WINXP{64} 51 2 2600"},
        {L"vista", "VISTA{64} 60 5 6002"},
        {L"win8", "WIN8{64} 62 9 9200"},
        // This test program has no manifest: GetVersionExW says 6.2 here,
        // RtlGetVersion the truth.
        {L"win81", "WIN81{64} 63 11 9600"},
        {L"win10", "WIN10{64} 100 13 18362"},
    };
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (const auto& r : rows) {
        std::wstring name = std::wstring(L"tdu_env_probe_") + r.wine_version + L".exe";
        std::wstring copy = std::wstring(temp) + name;
        ASSERT_TRUE(CopyFileW(own_path().c_str(), copy.c_str(), FALSE));
        ASSERT_TRUE(tdu::test::set_wine_program_version(name, r.wine_version));

        std::string expected = r.expected;
        expected.replace(expected.find("{64}"), 4, tdu::test::this_architecture().os_code_suffix);
        EXPECT_EQ(tdu::test::run_and_capture(copy, L"--probe"), expected);

        tdu::test::set_wine_program_version(name, nullptr);
        DeleteFileW(copy.c_str());
    }
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--probe") return run_probe();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
