// The archives as the distribution's unzip sees them: its integrity test,
// the names it lists and the times it reports. Native only.
#include "backup/backup_archive.h"

#include "backup_fixture.h"
#include "shell_command.h"
#include "support/test_support.h"

#include <gtest/gtest.h>


using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

TEST(ArchiveUnzip, TheDistributionsUnzipFindsNoErrorAndReadsNamesAndTimes)
{
    temp_dir_c dir;
    fs::path package = dir.path() / "acmelan_4f1c2a90";
    fs::copy(xp_root() / "system32" / "DRVSTORE" / "acmelan_4f1c2a90", package, fs::copy_options::recursive);
    write_file_at(package / "acmelan.inf", read_file(package / "acmelan.inf"), 2012, 3, 14, 9, 30, 10);
    write_file_at(package / "x86" / "acmecoin.dll", read_file(package / "x86" / "acmecoin.dll"), 2011, 12, 31, 18,
                  0, 2);
    fs::path archive = dir.path() / "ACME-LAN--Gigabit.zip";
    std::atomic<int32_t> progress{0};
    ASSERT_EQ(write_package_archive(program_path(package), program_path(archive), progress), 0);

    int status = 0;
    std::string out = run_command("unzip -t " + shell_quoted(archive), status);
    // Status 1 would be unzip's warning about names with backslashes.
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("No errors detected in compressed data"), std::string::npos) << out;

    out = run_command("unzip -Z -T -s " + shell_quoted(archive), status);
    EXPECT_EQ(status, 0) << out;
    // The DOS times read back as the local times the files were given.
    EXPECT_NE(out.find("defN 20120314.093010 acmelan.inf"), std::string::npos) << out;
    EXPECT_NE(out.find("defN 20111231.180002 x86/acmecoin.dll"), std::string::npos) << out;
    EXPECT_NE(out.find(" acmelan.sys"), std::string::npos) << out;
    EXPECT_NE(out.find(" acmelan.cat"), std::string::npos) << out;
    EXPECT_EQ(out.find(".swp"), std::string::npos) << out;
    EXPECT_NE(out.find("4 files"), std::string::npos) << out;

    // Unpacked by unzip, the file lands in its folder, not in a file whose
    // name holds a backslash.
    fs::path unpacked = dir.path() / "unpacked";
    out = run_command("unzip -q " + shell_quoted(archive) + " -d " + shell_quoted(unpacked), status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(read_file(unpacked / "x86" / "acmecoin.dll"), read_file(package / "x86" / "acmecoin.dll"));
}
