#include "app/environment.h"
#include "common/last_error.h"
#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdu;

namespace {

constexpr uint16_t arch_intel = 0, arch_ia64 = 6, arch_amd64 = 9;

// A machine described by a table row.
struct fake_source_c : environment_source_c {
    os_version_t version;
    bool extended_fails = false;
    bool plain_fails = false;
    bool r2 = false;
    bool power_fails = false;
    bool wow64 = false;
    uint16_t arch = arch_intel;
    u16 module = u"C:\\Program Files\\Tavrill\\TavrillDriverUpdater.exe";
    u16 cwd = u"C:\\Program Files\\Tavrill";
    int version_calls = 0;

    bool read_version(os_version_t& out, bool extended) override
    {
        ++version_calls;
        if (extended ? extended_fails : plain_fails) return false;
        out = version;
        if (!extended) out.product_type = 0;  // the short record has no product type
        return true;
    }
    bool server_r2() override { return r2; }
    bool read_power_status() override { return !power_fails; }
    uint32_t oem_code_page() override { return 437; }
    processor_info_t system_info() override
    {
        processor_info_t s;
        s.processor_architecture = arch;
        s.number_of_processors = 2;
        return s;
    }
    bool is_wow64_process() override { return wow64; }
    void module_path(char16_t* out, int capacity) override { copy_field(out, capacity, module); }
    void current_directory(char16_t* out, int capacity) override { copy_field(out, capacity, cwd); }
};

os_version_t nt(uint32_t major, uint32_t minor, uint8_t product = ver_nt_workstation, uint32_t build = 0)
{
    os_version_t v;
    v.major = major;
    v.minor = minor;
    v.build = build;
    v.platform_id = ver_platform_win32_nt;
    v.product_type = product;
    return v;
}

} // namespace

TEST(Environment, ClassifiesEveryVersionIntoTypeAndCode)
{
    struct row {
        const char* what;
        os_version_t version;
        bool r2;
        uint16_t arch;
        bool wow64;
        int32_t type;
        const char* code;
        int32_t number;
    };
    const row rows[] = {
        {"Windows 2000", nt(5, 0), false, arch_intel, false, 0, "NOT_SUPPORTED", 50},
        {"NT 4", nt(4, 0), false, arch_intel, false, 0, "NOT_SUPPORTED", 40},
        {"XP", nt(5, 1), false, arch_intel, false, 2, "WINXP", 51},
        {"XP x64 is 5.2", nt(5, 2), false, arch_amd64, false, 3, "WIN200364", 52},
        {"5.3", nt(5, 3), false, arch_intel, false, 2, "WINXP", 53},
        {"Server 2003", nt(5, 2, ver_nt_server), false, arch_intel, false, 3, "WIN2003", 52},
        {"Server 2003 R2", nt(5, 2, ver_nt_server), true, arch_intel, false, 4, "WIN2003", 52},
        {"Vista", nt(6, 0), false, arch_intel, false, 5, "VISTA", 60},
        {"Vista 64", nt(6, 0), false, arch_amd64, false, 5, "VISTA64", 60},
        {"Server 2008", nt(6, 0, ver_nt_server), false, arch_intel, false, 6, "WIN2008", 60},
        {"Server 2008 DC", nt(6, 0, ver_nt_domain_controller), false, arch_intel, false, 6, "WIN2008", 60},
        {"Server 2008 R2", nt(6, 1, ver_nt_server), false, arch_amd64, false, 7, "WIN200864", 61},
        {"7", nt(6, 1), false, arch_intel, false, 8, "WIN7", 61},
        {"7 64-bit", nt(6, 1), false, arch_amd64, false, 8, "WIN764", 61},
        {"7 on Itanium", nt(6, 1), false, arch_ia64, false, 8, "WIN764", 61},
        {"8", nt(6, 2), false, arch_intel, false, 9, "WIN8", 62},
        {"8 64-bit seen from WOW64", nt(6, 2), false, arch_intel, true, 9, "WIN864", 62},
        {"7 seen from WOW64", nt(6, 1), false, arch_intel, true, 8, "WIN764", 61},
        {"Server 2012 is 6.2 and stays WIN8", nt(6, 2, ver_nt_server), false, arch_amd64, false, 9, "WIN864", 62},
        {"6.4 and later 6.x", nt(6, 4), false, arch_intel, false, 2, "WINXP", 64},
        {"9.0", nt(9, 0), false, arch_intel, false, 2, "WINXP", 90},

        {"8.1", nt(6, 3, ver_nt_workstation, 9600), false, arch_intel, false, 11, "WIN81", 63},
        {"8.1 64-bit", nt(6, 3, ver_nt_workstation, 9600), false, arch_amd64, false, 11, "WIN8164", 63},
        {"8.1 seen from WOW64", nt(6, 3, ver_nt_workstation, 9600), false, arch_intel, true, 11, "WIN8164", 63},
        {"Server 2012 R2", nt(6, 3, ver_nt_server, 9600), false, arch_amd64, false, 12, "WIN2012R264", 63},
        {"Server 2012 R2 DC, 32-bit column", nt(6, 3, ver_nt_domain_controller, 9600), false, arch_intel, false,
         12, "WIN2012R2", 63},
        {"10 (1507)", nt(10, 0, ver_nt_workstation, 10240), false, arch_intel, false, 13, "WIN10", 100},
        {"10 22H2 64-bit", nt(10, 0, ver_nt_workstation, 19045), false, arch_amd64, false, 13, "WIN1064", 100},
        {"10, last build before 11", nt(10, 0, ver_nt_workstation, 21999), false, arch_amd64, false, 13, "WIN1064",
         100},
        {"11, first build", nt(10, 0, ver_nt_workstation, 22000), false, arch_amd64, false, 14, "WIN1164", 100},
        {"11 23H2", nt(10, 0, ver_nt_workstation, 22631), false, arch_amd64, false, 14, "WIN1164", 100},
        {"11 seen from WOW64", nt(10, 0, ver_nt_workstation, 22631), false, arch_intel, true, 14, "WIN1164", 100},
        {"11 on ARM64", nt(10, 0, ver_nt_workstation, 26100), false, 12, false, 14, "WIN1164", 100},
        {"11, 32-bit column", nt(10, 0, ver_nt_workstation, 22631), false, arch_intel, false, 14, "WIN11", 100},
        {"Server 2016", nt(10, 0, ver_nt_server, 14393), false, arch_amd64, false, 15, "WIN201664", 100},
        {"Server 2022 is not 11", nt(10, 0, ver_nt_server, 20348), false, arch_amd64, false, 15, "WIN201664", 100},
        {"Server 2025 DC", nt(10, 0, ver_nt_domain_controller, 26100), false, arch_amd64, false, 15, "WIN201664",
         100},
        {"10-based server, 32-bit column", nt(10, 0, ver_nt_server, 14393), false, arch_intel, false, 15, "WIN2016",
         100},
        {"a later 10.x", nt(10, 1, ver_nt_workstation, 30000), false, arch_amd64, false, 14, "WIN1164", 101},
        {"a later major version", nt(11, 0, ver_nt_server, 30000), false, arch_amd64, false, 15, "WIN201664", 110},
    };
    for (const auto& r : rows) {
        fake_source_c source;
        source.version = r.version;
        source.r2 = r.r2;
        source.arch = r.arch;
        source.wow64 = r.wow64;
        environment_t env;
        ASSERT_TRUE(environment_capture(env, source)) << r.what;
        EXPECT_EQ(env.os_type, r.type) << r.what;
        EXPECT_STREQ(os_code_text(env), r.code) << r.what;
        EXPECT_EQ(os_version_number(env.version_info), r.number) << r.what;
        EXPECT_EQ(env.version_info.build, r.version.build) << r.what;
    }
}

TEST(Environment, PlatformsOtherThanNt)
{
    os_version_t win32s;
    win32s.platform_id = ver_platform_win32s;
    win32s.major = 6;
    win32s.minor = 1;
    EXPECT_EQ(classify_os_type(win32s, false, 5), 0);

    // Windows 9x leaves the type as it was: 0 at start.
    os_version_t win9x;
    win9x.platform_id = ver_platform_win32_windows;
    win9x.major = 4;
    win9x.minor = 10;
    EXPECT_EQ(classify_os_type(win9x, false), 0);
    EXPECT_EQ(classify_os_type(win9x, false, 8), 8);
    EXPECT_STREQ(os_code_text(0, false), "NOT_SUPPORTED");
}

TEST(Environment, TypesOutsideTheTable)
{
    EXPECT_STREQ(os_code_text(1, false), "WIN2000");
    EXPECT_STREQ(os_code_text(10, true), "UNKNOWN");
    EXPECT_STREQ(os_code_text(16, false), "");
    EXPECT_STREQ(os_code_text(-1, true), "");
}

TEST(Environment, FallsBackToTheShortVersionRecord)
{
    fake_source_c source;
    source.version = nt(5, 1);
    source.extended_fails = true;
    environment_t env;
    ASSERT_TRUE(environment_capture(env, source));
    EXPECT_EQ(source.version_calls, 2);
    EXPECT_EQ(env.os_type, 2);
    EXPECT_EQ(env.version_info.product_type, 0);
}

TEST(Environment, FailuresSetTheirCodes)
{
    {
        fake_source_c source;
        source.extended_fails = source.plain_fails = true;
        environment_t env;
        set_last_error(0);
        EXPECT_FALSE(environment_capture(env, source));
        EXPECT_EQ(get_last_error(), 10);
    }
    {
        fake_source_c source;
        source.version = nt(6, 1);
        source.power_fails = true;
        environment_t env;
        set_last_error(0);
        EXPECT_FALSE(environment_capture(env, source));
        EXPECT_EQ(get_last_error(), 12);
    }
}

TEST(Environment, ProgramPathAndFolder)
{
    fake_source_c source;
    source.version = nt(6, 1);
    environment_t env;
    ASSERT_TRUE(environment_capture(env, source));
    EXPECT_EQ(u16(env.program_path), u"C:\\Program Files\\Tavrill\\TavrillDriverUpdater.exe");
    EXPECT_EQ(u16(env.program_folder), u"C:\\Program Files\\Tavrill\\");
    EXPECT_EQ(env.oem_code_page, 437u);

    // A program at a drive's root: "C:\" already ends in a backslash.
    source.cwd = u"C:\\";
    ASSERT_TRUE(environment_capture(env, source));
    EXPECT_EQ(u16(env.program_folder), u"C:\\");

    // A folder of 259 characters cannot take the backslash: the field is cut,
    // never overrun.
    source.cwd = u"C:\\" + u16(256, u'a');
    ASSERT_TRUE(environment_capture(env, source));
    EXPECT_EQ(u16_length(env.program_folder), static_cast<size_t>(path_chars - 1));
}
