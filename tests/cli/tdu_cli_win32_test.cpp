// tdu-cli.exe end to end under Wine: the demo machine imported into the
// prefix's registry, the stand-in update service with the demo catalogue on
// loopback (started by the test run, see tests/cli/CMakeLists.txt), and the
// program pointed at it through the endpoint override. The program runs as
// a copy in a folder of its own, under a name whose Wine version is set to
// Windows XP as the demo machine's (see demo_expectations.h).
//
// The service signs its answers. The main run's service signs with this
// build's test key, which the program has built in; the production
// profile's makes a key pair of its own, which the suite lists in the
// machine-wide value answer_keys as an administrator would.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/demo_expectations.h"
#include "cli/demo_store_win32.h"
#include "devices/machine_registry.h"
#include "program_keys_win32.h"
#include "support/architecture.h"
#include "support/child_process_win32.h"
#include "support/test_support.h"

using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t program_name[] = L"tdu_cli_e2e.exe";
constexpr wchar_t installer_record[] = L"installer_command_lines.txt";

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

size_t count_of(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The program and its language file, copied into `folder`.
fs::path install_program(const fs::path& folder, bool with_language_file)
{
    fs::path built(TDU_CLI_EXE);
    fs::path program = folder / program_name;
    fs::copy_file(built, program, fs::copy_options::overwrite_existing);
    if (with_language_file)
        fs::copy_file(built.parent_path() / "language.ini", folder / "language.ini", fs::copy_options::overwrite_existing);
    return program;
}

// What the program printed, with the console's CR LF line ends as LF.
std::string run_program(const fs::path& program, const wchar_t* arguments, int* exit_code)
{
    std::string out = run_and_capture(program.wstring(), arguments, exit_code);
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    return out;
}

class TduCli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        registry = std::make_unique<machine_registry_c>(load_machine(data_dir() / "devices" / "demo_machine.ini"));
        store = std::make_unique<demo_store_c>();
        ASSERT_TRUE(tdu::test::set_wine_program_version(program_name, L"winxp"));
        reset_program_keys(true);
        // Every mirror is the service; the scan-share host is an address
        // literal, looked up without network traffic, that leaves every
        // device in the scan.
        const char* port_file = std::getenv("TDU_DEMO_SERVICE_PORT_FILE");
        std::string port = port_file ? read_file(port_file) : "";
        while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
        if (port.empty()) return;
        suite_dir = std::make_unique<temp_dir_c>();
        std::string url = "http://127.0.0.1:" + port + "/";
        fs::path endpoints = suite_dir->path() / "endpoints.ini";
        write_file(endpoints, "mirror1 = " + url + "\nmirror2 = " + url + "\nmirror3 = " + url +
                                  "\nscan_share_host = 8.8.4.4\n");
        demo_endpoints = endpoints.string();
        SetEnvironmentVariableA("TDU_ENDPOINTS", demo_endpoints.c_str());

        // The service's public key lies beside its port file.
        fs::path service_key = fs::path(port_file).parent_path() / "update-service.pub";
        std::string key_line = text_lines(read_file(service_key)).at(1);
        if (key_line != text_lines(read_file(TDU_TEST_ANSWER_PUBLIC_KEY)).at(1)) {
            set_machine_answer_keys(key_line);
            listed_key = true;
        }
    }
    // Sets (or, given nothing, removes) the machine-wide answer_keys value.
    static void set_machine_answer_keys(const std::string& lines)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tavrill Driver Updater", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (lines.empty()) {
            RegDeleteValueW(key, L"answer_keys");
        } else {
            std::wstring value(lines.begin(), lines.end());
            value += L'\0';
            value += L'\0';
            RegSetValueExW(key, L"answer_keys", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                           static_cast<DWORD>(value.size() * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
    static void TearDownTestSuite()
    {
        if (listed_key) set_machine_answer_keys("");
        listed_key = false;
        SetEnvironmentVariableA("TDU_ENDPOINTS", nullptr);
        tdu::test::set_wine_program_version(program_name, nullptr);
        reset_program_keys(false);
        store.reset();
        registry.reset();
        suite_dir.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(registry->ok()) << registry->error();
        ASSERT_FALSE(demo_endpoints.empty()) << "TDU_DEMO_SERVICE_PORT_FILE names no port file of the update service";
        program = install_program(folder.path(), true);
        // Each test's program runs for the first time, so the download
        // folder its settings save is its own.
        reset_program_keys(true);
    }

    static std::unique_ptr<machine_registry_c> registry;
    static std::unique_ptr<demo_store_c> store;
    static std::unique_ptr<temp_dir_c> suite_dir;
    static std::string demo_endpoints;
    static bool listed_key;
    temp_dir_c folder;
    fs::path program;
};

std::unique_ptr<machine_registry_c> TduCli::registry;
std::unique_ptr<demo_store_c> TduCli::store;
std::unique_ptr<temp_dir_c> TduCli::suite_dir;
std::string TduCli::demo_endpoints;
bool TduCli::listed_key = false;

} // namespace

TEST_F(TduCli, ScanPrintsTheDemoCataloguesOffersForTheDemoMachine)
{
    int exit_code = 0;
    std::string out = run_program(program, L"scan", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    std::vector<std::string> lines = lines_of(out);
    ASSERT_FALSE(lines.empty()) << out;

    // Wine's own device nodes are counted and some are kept, but none of
    // them gets an offer.
    EXPECT_EQ(lines[0].rfind("Scanned ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(" devices kept, " + std::to_string(demo_devices_with_offers) + " with offered drivers."),
              std::string::npos)
        << lines[0];
    std::vector<std::string> expected(std::begin(demo_report_lines), std::end(demo_report_lines));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected) << out;
}

TEST_F(TduCli, ScanJsonHoldsTheSameResult)
{
    int exit_code = 0;
    std::string out = run_program(program, L"scan --json", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(out.front(), '{') << out;
    EXPECT_EQ(out.back(), '}') << out;
    EXPECT_NE(out.find("\"devices_with_offers\": " + std::to_string(demo_devices_with_offers) + ","), std::string::npos)
        << out;
    EXPECT_NE(out.find("\"counts\": {\n    \"out_of_date\": 2,\n    \"no_driver\": 1,\n    \"up_to_date\": 4\n  }"),
              std::string::npos)
        << out;
    EXPECT_EQ(count_of(out, "\"status\": \"update\""), 2u);
    EXPECT_EQ(count_of(out, "\"status\": \"no driver\""), 1u);
    EXPECT_EQ(count_of(out, "\"status\": \"up to date\""), 3u);
    for (const char* package : demo_offered_packages)
        EXPECT_EQ(count_of(out, std::string("/") + package + "\""), 1u) << package; // ".../packages/DIGITS/NAME"
    // A device's key: its instance ID without the instance part.
    EXPECT_NE(out.find("\"id\": \"PCI\\\\VEN_1F3C&DEV_0A21&SUBSYS_00011F3C&REV_03\","),
              std::string::npos)
        << out;
}

TEST_F(TduCli, AnUnreachableServiceEndsWithTheLanguageFilesText)
{
    write_file(folder.path() / "nowhere.ini", "mirror1 = http://127.0.0.1:1/\nmirror2 = http://127.0.0.1:1/\n"
                                              "mirror3 = http://127.0.0.1:1/\nscan_share_host = 8.8.4.4\n");
    SetEnvironmentVariableW(L"TDU_ENDPOINTS", (folder.path() / "nowhere.ini").wstring().c_str());
    int exit_code = 0;
    std::string out = run_program(program, L"scan", &exit_code);
    SetEnvironmentVariableA("TDU_ENDPOINTS", demo_endpoints.c_str());
    EXPECT_EQ(exit_code, 1) << out;
    EXPECT_NE(out.find("The update service could not be reached."), std::string::npos) << out;
}

// The demo packages as a local driver folder (a stick), with no update
// service to be reached: the scan finds what the service would offer, and
// the installation takes the network adapter's driver from the folder.
struct driver_folder_c {
    fs::path stick;
    explicit driver_folder_c(const fs::path& where) : stick(where)
    {
        fs::copy(fs::path(TDU_DEMO_SOURCE_PACKAGES), stick, fs::copy_options::recursive);
    }
};

// The lines of a scan report, less the console's notes on where the offers
// came from.
std::vector<std::string> report_lines(const std::string& out)
{
    std::vector<std::string> kept;
    for (const std::string& line : lines_of(out))
        if (line.rfind("offers from the driver folder ", 0) != 0 && line.rfind("driver folder: ", 0) != 0)
            kept.push_back(line);
    return kept;
}

TEST_F(TduCli, ADriverFolderGivesTheServicesOffersAndInstallsWithNoService)
{
    driver_folder_c folder_of_packages(folder.path() / "stick");
    write_file(folder.path() / "nowhere.ini", "mirror1 = http://127.0.0.1:1/\nmirror2 = http://127.0.0.1:1/\n"
                                              "mirror3 = http://127.0.0.1:1/\nscan_share_host = 8.8.4.4\n");
    SetEnvironmentVariableW(L"TDU_ENDPOINTS", (folder.path() / "nowhere.ini").wstring().c_str());
    std::wstring drivers = L"--drivers \"" + folder_of_packages.stick.wstring() + L"\" ";
    const auto packages =
        std::distance(fs::directory_iterator(folder_of_packages.stick), fs::directory_iterator());
    int exit_code = 0;
    std::string out = run_program(program, (drivers + L"scan").c_str(), &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_NE(out.find("offers from the driver folder " + folder_of_packages.stick.string()), std::string::npos)
        << out;
    std::vector<std::string> lines = report_lines(out);
    ASSERT_FALSE(lines.empty()) << out;
    std::vector<std::string> expected(std::begin(demo_report_lines), std::end(demo_report_lines));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected) << out;
    // Only the index was written into the folder.
    EXPECT_TRUE(fs::exists(folder_of_packages.stick / "tdu-drivers.index"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_of_packages.stick), fs::directory_iterator()), packages + 1)
        << "the packages and the index";

    fs::copy_file(own_path(), folder.path() / tdu::test::this_architecture().driver_installer);
    out = run_program(program, (drivers + L"install --no-restore-point").c_str(), &exit_code);
    SetEnvironmentVariableA("TDU_ENDPOINTS", demo_endpoints.c_str());
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, ": installer started in "), 3u) << out;
    fs::path record = folder.path() / installer_record;
    for (int i = 0; i < 300 && count_of(read_file(record), "\n") < 3; ++i) Sleep(100);
    std::string started = read_file(record);
    EXPECT_NE(started.find("\\Norvale\\NDIS62\"\n"), std::string::npos) << "the network driver: " << started;
}

TEST_F(TduCli, TheDriversFolderBesideTheProgramServesWhenTheServiceCannotBeReached)
{
    driver_folder_c beside(folder.path() / "drivers");
    write_file(folder.path() / "nowhere.ini", "mirror1 = http://127.0.0.1:1/\nmirror2 = http://127.0.0.1:1/\n"
                                              "mirror3 = http://127.0.0.1:1/\nscan_share_host = 8.8.4.4\n");
    SetEnvironmentVariableW(L"TDU_ENDPOINTS", (folder.path() / "nowhere.ini").wstring().c_str());
    int exit_code = 0;
    std::string out = run_program(program, L"scan", &exit_code);
    SetEnvironmentVariableA("TDU_ENDPOINTS", demo_endpoints.c_str());
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_NE(out.find("(the update service cannot be reached)"), std::string::npos) << out;
    std::vector<std::string> lines = report_lines(out);
    ASSERT_FALSE(lines.empty()) << out;
    std::vector<std::string> expected(std::begin(demo_report_lines), std::end(demo_report_lines));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected) << out;

    // With the service there, the folder beside the program is not asked.
    out = run_program(program, L"scan", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(out.find("offers from the driver folder"), std::string::npos) << out;
}

// A relay between the program and the service changes one offer's link and
// digest to another package's: the signature no longer fits, so the answer
// is refused before it is read. Nothing is offered or downloaded, the
// language file's text says why, and the exit status is the refusal's own.
TEST_F(TduCli, AnAnswerARelayAlteredIsRefusedAndNothingIsDownloaded)
{
    const char* relay_port_file = std::getenv("TDU_TAMPERING_RELAY_PORT_FILE");
    if (!relay_port_file) GTEST_SKIP() << "no tampering relay in this run";
    std::string port = text_lines(read_file(relay_port_file)).at(0);
    std::string url = "http://127.0.0.1:" + port + "/";
    write_file(folder.path() / "relay.ini", "mirror1 = " + url + "\nmirror2 = " + url + "\nmirror3 = " + url +
                                                "\nscan_share_host = 8.8.4.4\n");
    SetEnvironmentVariableW(L"TDU_ENDPOINTS", (folder.path() / "relay.ini").wstring().c_str());
    for (const wchar_t* command : {L"scan", L"install"}) {
        int exit_code = 0;
        std::string out = run_program(program, command, &exit_code);
        EXPECT_EQ(exit_code, 4) << out;
        EXPECT_NE(out.find("The update service's answer could not be verified"), std::string::npos) << out;
        EXPECT_NE(out.find("answer refused: signature does not fit the answer"), std::string::npos) << out;
        EXPECT_EQ(count_of(out, "downloading "), 0u) << out;
    }
    SetEnvironmentVariableA("TDU_ENDPOINTS", demo_endpoints.c_str());
    size_t files = 0;
    if (fs::exists(folder.path() / "download"))
        for (const auto& entry : fs::recursive_directory_iterator(folder.path() / "download"))
            files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 0u) << "nothing was downloaded";
}

TEST_F(TduCli, StartUpWithoutTheLanguageFileFailsWithCode4)
{
    temp_dir_c bare;
    fs::path alone = install_program(bare.path(), false);
    int exit_code = 0;
    std::string out = run_program(alone, L"scan", &exit_code);
    EXPECT_EQ(exit_code, 3) << out;
    EXPECT_EQ(out, "Application initialization failed, error code: 4.");
}

// The packages of the groups that are out of date or have no driver are
// downloaded as the service serves them; a second run finds them complete
// and fetches nothing.
TEST_F(TduCli, DownloadFetchesThePackagesOfTheOutOfDateAndNoDriverGroups)
{
    int exit_code = 0;
    std::string out = run_program(program, L"download", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, "downloading "), 3u) << out;
    EXPECT_EQ(count_of(out, ": Ready to install, "), 3u) << out;

    // Each final line ends with the package's file in the download folder.
    std::vector<std::string> downloaded;
    for (const std::string& line : lines_of(out)) {
        size_t at = line.find(" bytes, ");
        if (line.find(": Ready to install, ") != std::string::npos && at != std::string::npos)
            downloaded.push_back(read_file(line.substr(at + 8)));
    }
    std::sort(downloaded.begin(), downloaded.end());
    std::vector<std::string> served;
    for (const char* name : {"norvale-gbe-3.2.zip", "inkmere-p2100-2.0.zip", "ostara-usb3-1.4.zip"})
        served.push_back(read_file(fs::path(TDU_DEMO_PACKAGES) / name));
    std::sort(served.begin(), served.end());
    EXPECT_TRUE(downloaded == served) << "the download folder does not hold exactly the three served packages";

    out = run_program(program, L"download", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, "downloading "), 0u) << out;
    EXPECT_EQ(count_of(out, ": Ready to install, "), 3u) << out;
}

// A package in the download folder with the offered size but other bytes
// (a damaged file, an older package of that name) is not reported ready to
// install: the next run finds its SHA-256 wrong, deletes it and fetches the
// offered package again.
TEST_F(TduCli, ACompletePackageWithOtherBytesIsFetchedAgain)
{
    int exit_code = 0;
    std::string out = run_program(program, L"download", &exit_code);
    ASSERT_EQ(exit_code, 0) << out;
    fs::path package;
    for (const std::string& line : lines_of(out)) {
        size_t at = line.find(" bytes, ");
        if (line.find(": Ready to install, ") != std::string::npos && at != std::string::npos) {
            package = line.substr(at + 8);
            break;
        }
    }
    ASSERT_FALSE(package.empty()) << out;
    const std::string offered = read_file(package);
    std::string damaged = offered;
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x5A);
    write_file(package, damaged);

    out = run_program(program, L"download", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, "not the offered one; deleted"), 1u) << out;
    EXPECT_EQ(count_of(out, "downloading "), 1u) << out;
    EXPECT_EQ(count_of(out, ": Ready to install, "), 3u) << out;
    EXPECT_EQ(read_file(package), offered);
}

// Every byte of each package is in its temporary file (the move to the final
// name failed, or the program ended before it settled the download): the
// next run completes each of them, without asking the service for a range
// past the end of the package.
TEST_F(TduCli, ASecondDownloadCompletesTemporaryFilesThatHoldEveryByte)
{
    int exit_code = 0;
    std::string out = run_program(program, L"download", &exit_code);
    ASSERT_EQ(exit_code, 0) << out;
    std::vector<fs::path> packages;
    for (const std::string& line : lines_of(out)) {
        size_t at = line.find(" bytes, ");
        if (line.find(": Ready to install, ") != std::string::npos && at != std::string::npos)
            packages.push_back(line.substr(at + 8));
    }
    ASSERT_EQ(packages.size(), 3u) << out;
    std::vector<std::string> contents;
    for (const fs::path& package : packages) {
        contents.push_back(read_file(package));
        fs::rename(package, package.string() + ".tmp");
    }

    out = run_program(program, L"download", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, ": Ready to install, "), 3u) << out;
    for (size_t i = 0; i < packages.size(); ++i) {
        EXPECT_EQ(read_file(packages[i]), contents[i]) << packages[i];
        EXPECT_FALSE(fs::exists(packages[i].string() + ".tmp")) << packages[i];
    }
}

// Installing downloads as above, records each link in "setup.dat" and starts
// the driver package installer (a stand-in, this test program under the
// installer's name) on the INF folder of each unpacked package. Wine's
// System Restore makes no restore point: without the switch nothing is
// installed and the console says why.
TEST_F(TduCli, InstallStartsTheDriverInstallerOnEachDownloadedPackage)
{
    fs::copy_file(own_path(), folder.path() / tdu::test::this_architecture().driver_installer);
    int exit_code = 0;
    std::string out = run_program(program, L"install", &exit_code);
    EXPECT_EQ(exit_code, 1) << out;
    EXPECT_EQ(count_of(out, ": not installed, no system restore point could be made"), 3u) << out;
    EXPECT_EQ(count_of(out, "--no-restore-point"), 3u) << out;
    EXPECT_FALSE(fs::exists(folder.path() / "setup.dat"));
    EXPECT_FALSE(fs::exists(folder.path() / installer_record));
    EXPECT_FALSE(fs::exists(folder.path() / "backup.xml")) << "nothing was backed up for nothing installed";

    out = run_program(program, L"install --no-restore-point", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, ": installer started in "), 3u) << out;
    // The network adapter's and the printer's installed drivers were backed
    // up first (the USB controller had none), as taken before an update.
    EXPECT_TRUE(fs::exists(folder.path() / "backup" / "Norvale-GbE-Network-Adapter-NV-1021-3.0.0.0-before-update.zip"));
    EXPECT_TRUE(fs::exists(folder.path() / "backup" / "Inkmere-P2100-1.0.0.4-before-update.zip"));
    EXPECT_EQ(count_of(read_file(folder.path() / "backup.xml"), "<driver before_update=\"1\" replaced_by=\""), 2u);
    EXPECT_EQ(count_of(read_file(folder.path() / "setup.dat"), "\n"), 3u);
    // The packages and their unpacked folders are in this program's
    // download folder.
    EXPECT_EQ(count_of(out, folder.path().string() + "\\download\\"), 6u) << out;

    // The installers run on their own: wait for their three records.
    fs::path record = folder.path() / installer_record;
    for (int i = 0; i < 300 && count_of(read_file(record), "\n") < 3; ++i) Sleep(100);
    std::string started = read_file(record);
    EXPECT_EQ(count_of(started, tdu::test::this_architecture().driver_installer_name), 3u) << started;
    for (const char* inf_folder : {"\\Norvale\\NDIS62\"\n", "\\USB3\\Driver\"\n", "\\Driver\"\n"})
        EXPECT_NE(started.find(inf_folder), std::string::npos) << inf_folder << " in " << started;
    EXPECT_EQ(count_of(started, " /SH /PATH \""), 3u) << started;
}

// A driver that cannot be backed up before it is replaced (the printer's
// package gone from the store) is not replaced: its line says why and how
// to go on, the others install; --no-backup installs it without.
TEST_F(TduCli, APackageWhoseReplacedDriverCannotBeBackedUpIsNotInstalledWithoutTheSwitch)
{
    fs::copy_file(own_path(), folder.path() / tdu::test::this_architecture().driver_installer);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const fs::path package = fs::path(system) / "DRVSTORE" / "inkp2100_2b7e0c31";
    const fs::path aside = folder.path() / "inkp2100_aside";
    fs::rename(package, aside);
    int exit_code = 0;
    std::string out = run_program(program, L"install --no-restore-point", &exit_code);
    const int exit_with = exit_code;
    std::string out_without = run_program(program, L"install --no-backup --no-restore-point", &exit_code);
    const int exit_without = exit_code;
    fs::rename(aside, package);
    EXPECT_EQ(exit_with, 1) << out;
    EXPECT_EQ(count_of(out, ": installer started in "), 2u) << out;
    EXPECT_EQ(count_of(out, "inkmere-p2100-2.0.zip: not installed, the driver it replaces could not be backed up"), 1u)
        << out;
    EXPECT_EQ(count_of(out, "\"tdu-cli install --no-backup\""), 1u) << out;
    EXPECT_FALSE(fs::exists(folder.path() / "backup" / "Inkmere-P2100-1.0.0.4-before-update.zip"));
    // The two installed before are no longer offered (see "setup.dat").
    EXPECT_EQ(exit_without, 0) << out_without;
    EXPECT_EQ(count_of(out_without, "inkmere-p2100-2.0.zip: installer started in "), 1u) << out_without;
    EXPECT_EQ(count_of(out_without, ": installer started in "), 1u) << out_without;
}

// With a System Restore that makes restore points (a stand-in srclient.dll
// in the system folder that records its calls), the first installation is
// made within one: BEGIN of a driver installation naming the program and
// the package before the first installer starts, END after it; one restore
// point for the whole run.
TEST_F(TduCli, InstallMakesARestorePointAroundTheFirstInstallation)
{
    fs::copy_file(own_path(), folder.path() / tdu::test::this_architecture().driver_installer);
    wchar_t system_folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(system_folder, MAX_PATH);
    const fs::path dll = fs::path(std::wstring(system_folder, length)) / L"srclient.dll";
    const fs::path aside = dll.wstring() + L".tdu-test";
    ASSERT_TRUE(MoveFileExW(dll.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    const bool copied = CopyFileW(L"" TDU_STAND_IN_SRCLIENT_W, dll.c_str(), FALSE) != FALSE;
    const fs::path log = folder.path() / "srclient.log";
    SetEnvironmentVariableW(L"TDU_SRCLIENT_LOG", log.c_str());
    int exit_code = 0;
    std::string out = copied ? run_program(program, L"install", &exit_code) : "";
    SetEnvironmentVariableW(L"TDU_SRCLIENT_LOG", nullptr);
    DeleteFileW(dll.c_str());
    MoveFileExW(aside.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING);
    ASSERT_TRUE(copied);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, ": installer started in "), 3u) << out;
    const std::vector<std::string> calls = lines_of(read_file(log));
    ASSERT_EQ(calls.size(), 2u) << read_file(log);
    EXPECT_EQ(calls[0].rfind("BEGIN 10 0 ", 0), 0u) << calls[0];
    EXPECT_NE(calls[0].find(" Tavrill Driver Updater: "), std::string::npos) << calls[0];
    EXPECT_NE(calls[0].find(".zip)"), std::string::npos) << calls[0];
    EXPECT_EQ(calls[1].rfind("END 10 42 ", 0), 0u) << calls[1];
}

// The user's setting turns restore points off: Wine's refusing System
// Restore is not asked, and the console installs without the switch.
TEST_F(TduCli, TheSettingTurnsRestorePointsOff)
{
    fs::copy_file(own_path(), folder.path() / tdu::test::this_architecture().driver_installer);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Tavrill Driver Updater", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD off = 0;
    RegSetValueExW(key, L"restore_point", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off);
    RegCloseKey(key);
    int exit_code = 0;
    std::string out = run_program(program, L"install", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, ": installer started in "), 3u) << out;
    EXPECT_EQ(count_of(out, "restore point"), 0u) << out;
}

// A package damaged on disk after its download is never installed as it
// is: the service names each package's SHA-256, so `install` (which
// downloads first) finds the bytes are not the offered ones, deletes the
// file, says so, fetches it again and installs the good package. The
// refusal at installation itself is covered by the installation's own
// tests.
TEST_F(TduCli, InstallFetchesAgainAPackageDamagedOnDiskInsteadOfInstallingIt)
{
    fs::copy_file(own_path(), folder.path() / tdu::test::this_architecture().driver_installer);
    int exit_code = 0;
    std::string out = run_program(program, L"download", &exit_code);
    ASSERT_EQ(exit_code, 0) << out;
    std::string damaged;
    for (const std::string& line : lines_of(out)) {
        size_t at = line.find(" bytes, ");
        if (line.find(": Ready to install, ") != std::string::npos && at != std::string::npos) {
            damaged = line.substr(0, line.find(": Ready to install, "));
            write_file(line.substr(at + 8), "not an archive");
            break;
        }
    }
    ASSERT_FALSE(damaged.empty()) << out;

    out = run_program(program, L"install --no-restore-point", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    EXPECT_EQ(count_of(out, damaged + ": SHA-256 of "), 1u) << out;
    EXPECT_EQ(count_of(out, "not the offered one; deleted"), 1u) << out;
    EXPECT_EQ(count_of(out, ": installer started in "), 3u) << out;
    EXPECT_EQ(count_of(out, ": not installed"), 0u) << out;
}

// The printer's offer ignored from the console: the report leaves it out of
// its rows and counts until it is removed from the list again.
TEST_F(TduCli, AnIgnoredOfferLeavesTheReportUntilItIsRemovedFromTheList)
{
    int exit_code = -1;
    std::string added = run_program(
        program, L"ignore --add USBPRINT\\INKMEREP2100_5B7A 2.0.0.11 2012-09-20 \"Inkmere P2100\"", &exit_code);
    EXPECT_EQ(exit_code, 0) << added;
    EXPECT_EQ(lines_of(run_program(program, L"ignore --list", &exit_code)),
              std::vector<std::string>{"USBPRINT\\INKMEREP2100_5B7A\t2.0.0.11\t2012-09-20\tInkmere P2100"});

    std::vector<std::string> expected;
    for (const char* line : demo_report_lines)
        if (std::string(line).find("Inkmere") == std::string::npos) expected.push_back(line);
    expected.back() = "Out of date: 1, no driver: 1, up to date: 4";
    std::string out = run_program(program, L"scan", &exit_code);
    EXPECT_EQ(exit_code, 0) << out;
    std::vector<std::string> lines = lines_of(out);
    ASSERT_FALSE(lines.empty()) << out;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected) << out;

    // Another version of the offer is not on the list: removing what is not
    // there fails and changes nothing.
    run_program(program, L"ignore --remove USBPRINT\\INKMEREP2100_5B7A 2.0.0.12 2012-09-20", &exit_code);
    EXPECT_EQ(exit_code, 1);
    std::string removed = run_program(program, L"ignore --remove usbprint\\inkmerep2100_5b7a 2.0.0.11 2012-09-20",
                                      &exit_code);
    EXPECT_EQ(exit_code, 0) << removed;
    EXPECT_TRUE(lines_of(run_program(program, L"ignore --list", &exit_code)).empty());
    lines = lines_of(run_program(program, L"scan", &exit_code));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              std::vector<std::string>(std::begin(demo_report_lines), std::end(demo_report_lines)));
}

TEST_F(TduCli, AWrongCommandLineIsRefused)
{
    for (const wchar_t* arguments : {L"", L"scan --xml", L"scan --json extra", L"scna", L"download now", L"install all", L"backup all",
                                     L"restore", L"ignore", L"ignore --add X 1.0"}) {
        int exit_code = 0;
        std::string out = run_program(program, arguments, &exit_code);
        EXPECT_EQ(exit_code, 2) << out;
        EXPECT_NE(out.find("usage: tdu-cli"), std::string::npos) << out;
    }
}

// The program's own entry runs the same start-up.
TEST_F(TduCli, TheProgramStartsUpAndAStartingSecondCopyHandsOver)
{
    fs::path built(TDU_PROGRAM_EXE);
    fs::path gui = folder.path() / built.filename();
    fs::copy_file(built, gui, fs::copy_options::overwrite_existing);

    // The window program reads its endpoint override from the machine-wide
    // value, not from TDU_ENDPOINTS: the same service, so its start-up
    // looks nothing up on the network.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tavrill Driver Updater", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::wstring lines;
    for (const std::string& line : text_lines(read_file(demo_endpoints)))
        lines += std::wstring(line.begin(), line.end()) + L'\0';
    lines += L'\0';
    RegSetValueExW(key, L"endpoints", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(lines.data()),
                   static_cast<DWORD>(lines.size() * sizeof(wchar_t)));

    // It shows its main window and runs until its menu's Exit ends it.
    std::wstring command = L"\"" + gui.wstring() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(gui.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.path().wstring().c_str(), &si, &pi));
    CloseHandle(pi.hThread);
    HWND window = nullptr;
    for (int i = 0; i < 600 && !(window && IsWindowVisible(window)); ++i) {
        Sleep(50);
        window = FindWindowW(L"TavrillDriverUpdaterMain", L"Tavrill Driver Updater");
    }
    ASSERT_NE(window, nullptr) << "the program showed no main window";
    PostMessageW(window, WM_COMMAND, 32781, 0);  // the menu's Exit
    DWORD status = 1;
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 9);
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    RegDeleteValueW(key, L"endpoints");
    RegCloseKey(key);
    EXPECT_EQ(status, 0u);

    int exit_code = 1;

    // A running copy holds the mutex named by the program title.
    HANDLE running = CreateMutexW(nullptr, TRUE, L"Tavrill Driver Updater");
    ASSERT_TRUE(running);
    run_program(gui, L"--autorun", &exit_code);
    EXPECT_EQ(exit_code, -1);
    CloseHandle(running);
}

int main(int argc, char** argv)
{
    // The stand-in driver package installer appends its command line beside
    // itself.
    if (_wcsicmp(fs::path(own_path()).filename().wstring().c_str(), tdu::test::this_architecture().driver_installer) == 0) {
        std::string line;
        int n = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, nullptr, 0, nullptr, nullptr);
        line.resize(n > 0 ? n - 1 : 0);
        WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line.data(), n, nullptr, nullptr);
        std::ofstream(fs::path(own_path()).parent_path() / installer_record, std::ios::binary | std::ios::app)
            << line << "\n";
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
