// The system's name: WMI's caption, made right on Windows 11.
#include "service/os_description.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

environment_t machine(uint32_t major, uint32_t minor, uint32_t build, uint8_t product = ver_nt_workstation)
{
    environment_t env;
    env.version_info.major = major;
    env.version_info.minor = minor;
    env.version_info.build = build;
    env.version_info.platform_id = ver_platform_win32_nt;
    env.version_info.product_type = product;
    env.os_type = classify_os_type(env.version_info, false);
    return env;
}

} // namespace

TEST(OsDescription, NamesTheTrueSystem)
{
    struct row {
        const char* what;
        environment_t env;
        const char16_t* wmi;
        const char16_t* expected;
    };
    const row rows[] = {
        {"11 with WMI's Windows 10 caption", machine(10, 0, 22631), u"Microsoft Windows 10 Pro Build 22631",
         u"Microsoft Windows 11 Pro Build 22631"},
        {"11 with a right caption", machine(10, 0, 22631), u"Microsoft Windows 11 Pro Build 22631",
         u"Microsoft Windows 11 Pro Build 22631"},
        {"11, first build", machine(10, 0, 22000), u"Microsoft Windows 10 Home Build 22000",
         u"Microsoft Windows 11 Home Build 22000"},
        {"10 stays 10", machine(10, 0, 19045), u"Microsoft Windows 10 Pro Build 19045",
         u"Microsoft Windows 10 Pro Build 19045"},
        {"a 10-based server is not 11", machine(10, 0, 26100, ver_nt_server),
         u"Microsoft Windows Server 2025 Standard Build 26100", u"Microsoft Windows Server 2025 Standard Build 26100"},
        {"only the word of its own", machine(10, 0, 22631), u"Windows 100 Windows 10",
         u"Windows 100 Windows 11"},
        {"7 untouched", machine(6, 1, 7601), u"Microsoft Windows 7 Professional  Build 7601 Service Pack 1",
         u"Microsoft Windows 7 Professional  Build 7601 Service Pack 1"},
        {"no caption on 11", machine(10, 0, 22631), u"", u"Windows 11 Build 22631"},
        {"no caption on 10", machine(10, 0, 19045), u"", u"Windows 10 Build 19045"},
        {"no caption on 8.1", machine(6, 3, 9600), u"", u"Windows 8.1 Build 9600"},
        {"no caption on Server 2012 R2", machine(6, 3, 9600, ver_nt_server), u"",
         u"Windows Server 2012 R2 Build 9600"},
        {"no caption on a 10-based server", machine(10, 0, 20348, ver_nt_server), u"",
         u"Windows Server Build 20348"},
        {"no caption on 7: nothing made up", machine(6, 1, 7601), u"", u""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(true_os_description(r.wmi, r.env), u16(r.expected)) << r.what;
}
