// tdu-cli cleanup end to end under Wine: the backup machine imported into
// the prefix's registry, the clean-up fixture store copied into the
// prefix's driver store (and, for the runs that see Windows XP, into its old
// store) with its published INFs in the Windows "inf" folder, and a
// stand-in pnputil.exe (a copy of this test program) in the system folder
// that appends each command line it gets to a record and, as pnputil does,
// deletes the published INF it was told to remove.
//
// The fixture's INFs name models of no device of the machine: Wine's Setup
// API searches the "inf" folder for drivers of a device, and a match makes
// the scan call SetupDiGetDriverInstallParamsW, which Wine does not have.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "devices/machine_registry.h"
#include "prefix_store_win32.h"
#include "program_keys_win32.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"

using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

// The names the program runs under, and the version Wine reports to each.
constexpr wchar_t vista_name[] = L"tdu_cli_cleanup.exe";  // the prefix's own, Windows 7
constexpr wchar_t win10_name[] = L"tdu_cli_cleanup_win10.exe";
constexpr wchar_t xp_name[] = L"tdu_cli_cleanup_xp.exe";

// The Windows folder as the program names it (GetSystemWindowsDirectoryW).
std::string windows_folder_text()
{
    wchar_t path[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(path, MAX_PATH);
    std::wstring w(path);
    return std::string(w.begin(), w.end());
}

bool starts_with(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

// The published names of the lines whose verdict is `verdict`.
std::vector<std::string> with_verdict(const std::vector<std::string>& lines, const std::string& verdict)
{
    std::vector<std::string> names;
    for (const std::string& line : lines) {
        size_t tab = line.rfind('\t');
        if (tab != std::string::npos && line.substr(tab + 1) == verdict) names.push_back(line.substr(0, line.find('\t')));
    }
    return names;
}

class TduCliCleanup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        registry = std::make_unique<machine_registry_c>(load_machine(data_dir() / "backup" / "backup_machine.ini"));
        ASSERT_TRUE(set_wine_program_version(win10_name, L"win10"));
        ASSERT_TRUE(set_wine_program_version(xp_name, L"winxp"));
        suite_dir = std::make_unique<temp_dir_c>();
        fs::path endpoints = suite_dir->path() / "endpoints.ini";
        write_file(endpoints, "mirror1 = http://127.0.0.1:9/\nmirror2 = http://127.0.0.1:9/\n"
                              "mirror3 = http://127.0.0.1:9/\nscan_share_host = 8.8.4.4\n");
        SetEnvironmentVariableW(L"TDU_ENDPOINTS", endpoints.wstring().c_str());
        fs::path pnputil = fs::path(system_folder()) / "pnputil.exe";
        ASSERT_FALSE(fs::exists(pnputil)) << "the prefix has a pnputil of its own";
        fs::copy_file(own_path(), pnputil);
        created.push_back(pnputil);
    }
    static void TearDownTestSuite()
    {
        SetEnvironmentVariableW(L"TDU_ENDPOINTS", nullptr);
        SetEnvironmentVariableW(pnputil_record_variable, nullptr);
        set_wine_program_version(win10_name, nullptr);
        set_wine_program_version(xp_name, nullptr);
        reset_program_keys(false);
        std::error_code ec;
        for (const fs::path& p : created) fs::remove_all(p, ec);
        created.clear();
        registry.reset();
        suite_dir.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(registry->ok()) << registry->error();
        reset_program_keys(true);
        install_store();
        SetEnvironmentVariableW(pnputil_record_variable, record().wstring().c_str());
    }
    void TearDown() override
    {
        std::error_code ec;
        for (const fs::path& p : store_files) fs::remove_all(p, ec);
        store_files.clear();
    }

    // The fixture's packages in the prefix, fresh for each test (a removal
    // deletes published INFs).
    void install_store()
    {
        fs::path inf = fs::path(windows_folder()) / "inf";
        for (const auto& entry : fs::directory_iterator(cleanup_fixture() / "inf")) {
            fs::copy_file(entry.path(), inf / entry.path().filename(), fs::copy_options::overwrite_existing);
            store_files.push_back(inf / entry.path().filename());
        }
        fs::path repository = fs::path(system_folder()) / "DriverStore" / "FileRepository";
        fs::path old_store = fs::path(system_folder()) / "DRVSTORE";
        for (const fs::path& root : {repository, old_store}) {
            if (!fs::exists(root)) {
                fs::create_directories(root);
                store_files.push_back(root);
            }
            for (const auto& entry : fs::directory_iterator(cleanup_fixture() / "System32" / "DriverStore" / "FileRepository")) {
                fs::copy(entry.path(), root / entry.path().filename(),
                         fs::copy_options::recursive | fs::copy_options::overwrite_existing);
                store_files.push_back(root / entry.path().filename());
            }
        }
    }

    fs::path install_program(const wchar_t* name)
    {
        fs::path built(TDU_CLI_EXE);
        fs::path program = folder.path() / name;
        fs::copy_file(built, program);
        if (!fs::exists(folder.path() / "language.ini"))
            fs::copy_file(built.parent_path() / "language.ini", folder.path() / "language.ini");
        return program;
    }

    fs::path record() const { return folder.path() / "pnputil_calls.txt"; }
    std::vector<std::string> calls() const
    {
        return fs::exists(record()) ? text_lines(read_file(record())) : std::vector<std::string>();
    }
    bool published(const char* name) const { return fs::exists(fs::path(windows_folder()) / "inf" / name); }

    static std::unique_ptr<machine_registry_c> registry;
    static std::unique_ptr<temp_dir_c> suite_dir;
    static std::vector<fs::path> created;
    std::vector<fs::path> store_files;
    temp_dir_c folder;
};

std::unique_ptr<machine_registry_c> TduCliCleanup::registry;
std::unique_ptr<temp_dir_c> TduCliCleanup::suite_dir;
std::vector<fs::path> TduCliCleanup::created;

TEST_F(TduCliCleanup, ListsEveryPackageWithItsVerdictAndLeavesAnIgnoredOfferOut)
{
    fs::path program = install_program(vista_name);
    int code = -1;
    std::vector<std::string> out = text_lines(run_and_capture(program.wstring(), L"cleanup --list", &code));
    ASSERT_EQ(code, 0) << testing::PrintToString(out);
    // The store's folders in name order: the printer's old package before
    // the sound card's.
    EXPECT_EQ(with_verdict(out, "superseded"), (std::vector<std::string>{"oem901.inf", "oem906.inf", "oem902.inf"}))
        << testing::PrintToString(out);
    EXPECT_EQ(with_verdict(out, "boot class"), std::vector<std::string>{"oem903.inf"});
    std::vector<std::string> newest = with_verdict(out, "newest");
    for (const char* name : {"oem904.inf", "oem905.inf", "oem907.inf", "oem908.inf", "oem910.inf"})
        EXPECT_NE(std::find(newest.begin(), newest.end(), name), newest.end()) << name;
    auto line = std::find_if(out.begin(), out.end(), [](const std::string& l) { return starts_with(l, "oem901.inf\t"); });
    ASSERT_NE(line, out.end());
    uint64_t size = 1000 + 2 * fs::file_size(cleanup_fixture() / "inf" / "oem901.inf");
    EXPECT_EQ(*line, "oem901.inf\tacmelan.inf\tACME\tNet\t2011-01-10\t2.0.0.1\t" + std::to_string(size) + "\tsuperseded");
    EXPECT_TRUE(starts_with(out.back(), "superseded: ")) << out.back();

    // The printer's 1.0 offer on the user's ignore list keeps its package.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tavrill Driver Updater", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t entry[] = L"USBPRINT\\InkmereP2100A1B2\t1.0.0.0\t2018-04-04\tInkmere P2100\0";
    RegSetValueExW(key, L"ignored_updates", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(entry), sizeof entry);
    RegCloseKey(key);
    out = text_lines(run_and_capture(program.wstring(), L"cleanup --list", &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(with_verdict(out, "superseded"), (std::vector<std::string>{"oem901.inf", "oem902.inf"}));
    EXPECT_EQ(with_verdict(out, "ignored"), std::vector<std::string>{"oem906.inf"});
    EXPECT_TRUE(calls().empty());
}

TEST_F(TduCliCleanup, RemovesTheSupersededPackagesInOrderAfterBackingEachUp)
{
    fs::path program = install_program(win10_name);
    int code = -1;
    std::vector<std::string> out = text_lines(run_and_capture(program.wstring(), L"cleanup --remove", &code));
    EXPECT_EQ(code, 0) << testing::PrintToString(out);
    std::string pnputil = windows_folder_text() + "\\System32\\pnputil.exe";
    EXPECT_EQ(calls(), (std::vector<std::string>{"\"" + pnputil + "\" /delete-driver oem901.inf",
                                                 "\"" + pnputil + "\" /delete-driver oem906.inf",
                                                 "\"" + pnputil + "\" /delete-driver oem902.inf"}));
    for (const char* name : {"oem901.inf", "oem906.inf", "oem902.inf"}) EXPECT_FALSE(published(name)) << name;
    for (const char* name : {"oem905.inf", "oem903.inf", "oem908.inf"}) EXPECT_TRUE(published(name)) << name;

    fs::path backups = folder.path() / "backup";
    for (const char* archive : {"acmelan.inf-2.0.0.1.zip", "qxprint.inf-1.0.0.0.zip", "vsnd.inf-6.0.1.5.zip"})
        EXPECT_TRUE(fs::exists(backups / archive)) << archive;
    std::string catalogue = read_file(folder.path() / "backup.xml");
    EXPECT_NE(catalogue.find("<![CDATA[acmelan.inf-2.0.0.1.zip]]>"), std::string::npos) << catalogue;
    ASSERT_EQ(out.size(), 4u) << testing::PrintToString(out);
    EXPECT_TRUE(starts_with(out[0], "oem901.inf\tremoved\tbackup: ")) << out[0];
    // Each package's store folder and its published INF.
    uint64_t freed = 0;
    for (const char* folder_name : {"acmelan.inf_amd64_0a0a0001", "qxprint.inf_amd64_0d0d0001", "vsnd.inf_amd64_0b0b0001"}) {
        for (const auto& f : fs::directory_iterator(cleanup_fixture() / "System32" / "DriverStore" / "FileRepository" / folder_name))
            freed += fs::file_size(f.path());
    }
    for (const char* name : {"oem901.inf", "oem906.inf", "oem902.inf"}) freed += fs::file_size(cleanup_fixture() / "inf" / name);
    EXPECT_EQ(out[3], "freed: " + std::to_string(freed) + " bytes");
}

TEST_F(TduCliCleanup, NamedPackagesWithoutBackupAndANameThatIsNotSuperseded)
{
    fs::path program = install_program(vista_name);
    int code = -1;
    std::string out = run_and_capture(program.wstring(), L"cleanup --remove oem905.inf", &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("oem905.inf is not a superseded package"), std::string::npos) << out;
    EXPECT_TRUE(calls().empty());

    out = run_and_capture(program.wstring(), L"cleanup --remove --no-backup oem902.inf", &code);
    EXPECT_EQ(code, 0) << out;
    std::string pnputil = windows_folder_text() + "\\System32\\pnputil.exe";
    EXPECT_EQ(calls(), std::vector<std::string>{"\"" + pnputil + "\" -d oem902.inf"});
    // Start-up makes the backup folder; nothing was written into it.
    EXPECT_TRUE(fs::is_empty(folder.path() / "backup"));
    EXPECT_FALSE(fs::exists(folder.path() / "backup.xml"));
    EXPECT_FALSE(published("oem902.inf"));
    EXPECT_TRUE(published("oem901.inf"));

    out = run_and_capture(program.wstring(), L"cleanup --remove --bogus", &code);
    EXPECT_EQ(code, 2);
}

TEST_F(TduCliCleanup, BeforeVistaTheSetupApiRemovesAndAPackageItKeepsIsNotCountedFreed)
{
    // Wine's SetupUninstallOEMInfW answers TRUE and removes nothing.
    fs::path program = install_program(xp_name);
    int code = -1;
    std::vector<std::string> out =
        text_lines(run_and_capture(program.wstring(), L"cleanup --remove --no-backup oem901.inf", &code));
    EXPECT_EQ(code, 1) << testing::PrintToString(out);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(out.size(), 2u) << testing::PrintToString(out);
    EXPECT_EQ(out[0], "oem901.inf\tnot removed: the system kept it");
    EXPECT_EQ(out[1], "freed: 0 bytes");
    EXPECT_TRUE(published("oem901.inf"));
}

} // namespace

int main(int argc, char** argv)
{
    if (_wcsicmp(fs::path(own_path()).filename().wstring().c_str(), L"pnputil.exe") == 0) return run_pnputil_stand_in();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
