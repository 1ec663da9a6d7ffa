// The driver store clean-up natively: the INF fields it reads, the listing
// of every package over fixture trees of both store layouts, the selection
// over tables of stores, and the removal run with a recording removal
// platform over a copy of the fixture store.
#include "backup/cleanup_runs.h"
#include "backup/store_cleanup.h"
#include "backup/store_inf.h"
#include "backup/store_listing.h"
#include "backup/store_removal.h"

#include "backup/backup_archive.h"
#include "backup_fixture.h"
#include "common/files.h"
#include "packages/fakes.h"
#include "support/recording_host.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

fs::path cleanup_root()
{
    return data_dir() / "backup" / "cleanup_root";
}

u16 repository(const fs::path& root)
{
    return program_path(root) + u"\\System32\\DriverStore\\FileRepository";
}

std::string narrow(u16view text)
{
    return utf16_to_utf8(text);
}

const store_package_t* find_published(const std::vector<store_package_t>& packages, const char* name)
{
    for (const store_package_t& p : packages)
        if (narrow(p.published_name) == name) return &p;
    return nullptr;
}

// ---- INF fields -----------------------------------------------------------

TEST(StoreInf, ReadsVersionFieldsTokensAndEveryModelsSectionsIds)
{
    store_inf_t inf = parse_store_inf(
        u"; comment [Version]\r\n"
        u"[version]\r\n"
        u"Signature = \"$Windows NT$\"\r\n"
        u"CLASS = %Cls% ; the class\r\n"
        u"ClassGUID={4d36e972-e325-11ce-bfc1-08002be10318}\r\n"
        u"Provider = \"Maker; Inc\"\r\n"
        u"DriverVer = 3/4/2012, 2.1.0.7 \r\n"
        u"[Manufacturer]\r\n"
        u"%M% = Models, NTamd64.6.1, NTx86\r\n"
        u"Plain\r\n"
        u"[Models]\r\n"
        u"%D% = Install, PCI\\VEN_1&DEV_1, PCI\\CC_0200\r\n"
        u"[models.ntamd64.6.1]\r\n"
        u"%D% = Install, \\\r\n"
        u"   PCI\\VEN_1&DEV_2\r\n"
        u"%D% = Install, pci\\ven_1&dev_1\r\n"
        u"[Plain]\r\n"
        u"\"Quoted, name\" = Install, USB\\VID_1\r\n"
        u"[Unnamed.NTx86]\r\n"
        u"%D% = Install, NOT\\LISTED\r\n"
        u"[Strings]\r\n"
        u"cls = \"Net\"\r\n");
    EXPECT_EQ(narrow(inf.class_name), "Net");
    EXPECT_EQ(narrow(inf.class_guid), "{4d36e972-e325-11ce-bfc1-08002be10318}");
    EXPECT_EQ(narrow(inf.provider), "Maker; Inc");
    EXPECT_EQ(narrow(inf.driver_date), "2012-03-04");
    EXPECT_EQ(narrow(inf.driver_version), "2.1.0.7");
    std::vector<std::string> ids;
    for (const u16& id : inf.hardware_ids) ids.push_back(narrow(id));
    EXPECT_EQ(ids, (std::vector<std::string>{"PCI\\VEN_1&DEV_1", "PCI\\CC_0200", "PCI\\VEN_1&DEV_2", "USB\\VID_1"}));
}

TEST(StoreInf, DatesAndEncodings)
{
    struct {
        const char16_t* in;
        const char* out;
    } dates[] = {
        {u"03/14/2012", "2012-03-14"}, {u"3-1-2012", "2012-03-01"}, {u"13/01/2012", ""},
        {u"2012/03/14", ""},           {u"", ""},                   {u"03/14", ""},
    };
    for (const auto& d : dates) EXPECT_EQ(narrow(inf_date_to_iso(d.in)), d.out) << narrow(d.in);

    static const char raw[] = "\xff\xfe[\0V\0e\0r\0s\0i\0o\0n\0]\0\n\0C\0l\0a\0s\0s\0=\0\xe9\0";
    const std::string utf16le(raw, sizeof raw - 1);
    EXPECT_EQ(parse_store_inf(decode_inf_bytes(utf16le)).class_name, u"\u00e9");
    EXPECT_EQ(decode_inf_bytes("\xef\xbb\xbf\xc3\xa9"), u"\u00e9");
    EXPECT_EQ(decode_inf_bytes("\xe9"), u"\u00e9");  // Windows-1252
}

// ---- Listing ---------------------------------------------------------------

class StoreListing : public ::testing::Test {
protected:
    void SetUp() override { scan_backup_machine(inventory); }
    device_inventory_t inventory;
};

TEST_F(StoreListing, EveryRepositoryFolderWithItsPublishedNameFieldsSizeAndUse)
{
    fake_store_platform_c platform(cleanup_root());  // the Setup API locates nothing: contents decide
    driver_store_t store;
    ASSERT_EQ(init_driver_store(store, 61, platform), 0);
    std::vector<store_package_t> packages = list_store_packages(store, 61, inventory);

    std::map<std::string, std::string> published;  // folder -> published name
    for (const store_package_t& p : packages) published[narrow(path_file_name(p.folder))] = narrow(p.published_name);
    EXPECT_EQ(published, (std::map<std::string, std::string>{
                             {"acmelan.inf_amd64_0a0a0001", "oem901.inf"},
                             {"acmelan.inf_amd64_0a0a0002", "oem905.inf"},
                             {"acmelan.inf_amd64_0a0a0003", "oem910.inf"},
                             {"vsnd.inf_amd64_0b0b0001", "oem902.inf"},
                             {"vsnd.inf_amd64_0b0b0002", "oem907.inf"},
                             {"kchip.inf_amd64_0c0c0001", "oem903.inf"},
                             {"kchip.inf_amd64_0c0c0002", "oem904.inf"},
                             {"qxprint.inf_amd64_0d0d0001", "oem906.inf"},
                             {"qxprint.inf_amd64_0d0d0002", "oem908.inf"},
                             {"netace.inf_amd64_0e0e0001", "netace.inf"},  // the system's own: no oem name
                         }));

    const store_package_t* old_lan = find_published(packages, "oem901.inf");
    ASSERT_NE(old_lan, nullptr);
    EXPECT_EQ(narrow(old_lan->original_name), "acmelan.inf");
    EXPECT_EQ(narrow(old_lan->provider), "ACME");
    EXPECT_EQ(narrow(old_lan->class_name), "Net");
    EXPECT_EQ(narrow(old_lan->driver_date), "2011-01-10");
    EXPECT_EQ(narrow(old_lan->driver_version), "2.0.0.1");
    EXPECT_EQ(old_lan->hardware_ids.size(), 2u);
    // The folder's files and the published INF (no .pnf in the fixture).
    uint64_t inf_size = fs::file_size(cleanup_root() / "inf" / "oem901.inf");
    EXPECT_EQ(old_lan->size, 1000 + 2 * inf_size);
    EXPECT_FALSE(old_lan->in_use);

    const store_package_t* lan = find_published(packages, "oem905.inf");
    ASSERT_NE(lan, nullptr);
    EXPECT_TRUE(lan->in_use);
    EXPECT_EQ(lan->devices.size(), 2u);  // both ports
    EXPECT_TRUE(find_published(packages, "oem907.inf")->in_use);
    EXPECT_TRUE(find_published(packages, "netace.inf")->in_use);  // the inbox device
    EXPECT_FALSE(find_published(packages, "oem902.inf")->in_use);
}

TEST_F(StoreListing, TheSetupApisAnswerComesBeforeTheContents)
{
    fake_store_platform_c platform(cleanup_root());
    // The Setup API places oem903.inf in the newer chipset folder; the
    // contents match the older one.
    platform.store_paths[u"oem903.inf"] = repository(cleanup_root()) + u"\\kchip.inf_amd64_0c0c0002\\kchip.inf";
    driver_store_t store;
    ASSERT_EQ(init_driver_store(store, 61, platform), 0);
    std::vector<store_package_t> packages = list_store_packages(store, 61, inventory);
    const store_package_t* chip = find_published(packages, "oem903.inf");
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(narrow(path_file_name(chip->folder)), "kchip.inf_amd64_0c0c0002");
}

TEST_F(StoreListing, BeforeVistaEveryOemInfIsAPackageWithItsOldStoreFolderWhereItsCopyIsFound)
{
    fake_store_platform_c platform(xp_root());
    driver_store_t store;
    ASSERT_EQ(init_driver_store(store, 51, platform), 0);
    std::vector<store_package_t> packages = list_store_packages(store, 51, inventory);
    std::vector<std::string> names;
    for (const store_package_t& p : packages) names.push_back(narrow(p.published_name));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"oem905.inf", "oem907.inf", "oem909.inf"}));  // not netace.inf

    const store_package_t* lan = find_published(packages, "oem905.inf");
    EXPECT_EQ(narrow(lan->original_name), "acmelan.inf");
    EXPECT_EQ(narrow(path_file_name(lan->folder)), "acmelan_4f1c2a90");
    uint64_t folder = folder_size(lan->folder);
    EXPECT_GT(folder, 0u);
    EXPECT_EQ(lan->size, folder + fs::file_size(xp_root() / "inf" / "oem905.inf"));
    EXPECT_TRUE(lan->in_use);
    // Its store copy differs: no folder, its own name.
    const store_package_t* changed = find_published(packages, "oem909.inf");
    EXPECT_EQ(narrow(changed->original_name), "oem909.inf");
    EXPECT_TRUE(changed->folder.empty());
    EXPECT_EQ(changed->size, fs::file_size(xp_root() / "inf" / "oem909.inf"));
}

// ---- Selection ---------------------------------------------------------------

store_package_t row(const char* published, const char* original, const char* provider, const char* class_name,
                    const char* date, const char* version, bool in_use = false)
{
    store_package_t p;
    p.published_name = ascii_to_utf16(published);
    p.original_name = ascii_to_utf16(original);
    p.provider = ascii_to_utf16(provider);
    p.class_name = ascii_to_utf16(class_name);
    p.driver_date = ascii_to_utf16(date);
    p.driver_version = ascii_to_utf16(version);
    p.in_use = in_use;
    p.hardware_ids = {u"PCI\\VEN_" + ascii_to_utf16(original)};
    return p;
}

TEST(CleanupSelection, TableOfStores)
{
    struct case_t {
        const char* what;
        std::vector<store_package_t> store;
        ignored_offers_t ignored;
        std::vector<std::string> verdicts;
    };
    ignored_offer_t ignore_old_printer{u"PCI\\VEN_print.inf", u"1.0", u"2018-04-04", u"Printer"};
    ignored_offer_t ignore_other_version{u"PCI\\VEN_print.inf", u"1.1", u"2018-04-04", u"Printer"};
    const case_t cases[] = {
        {"the same INF in three versions: the two older go",
         {row("oem1.inf", "a.inf", "A", "Net", "2011-01-01", "1.0"), row("oem2.inf", "A.INF", "a", "NET", "2013-01-01", "3.0"),
          row("oem3.inf", "a.inf", "A", "Net", "2012-01-01", "2.0")},
         {},
         {"superseded", "newest", "superseded"}},
        {"an older package in use stays, and the newest stays when nothing uses it",
         {row("oem1.inf", "a.inf", "A", "Net", "2011-01-01", "1.0", true), row("oem2.inf", "a.inf", "A", "Net", "2012-01-01", "2.0")},
         {},
         {"in use", "newest"}},
        {"a boot class's older package stays",
         {row("oem1.inf", "c.inf", "K", "System", "2015-01-01", "9.1"), row("oem2.inf", "c.inf", "K", "system", "2016-01-01", "9.2"),
          row("oem3.inf", "d.inf", "K", "SCSIAdapter", "2015-01-01", "1.0"), row("oem4.inf", "d.inf", "K", "SCSIAdapter", "2016-01-01", "2.0")},
         {},
         {"boot class", "newest", "boot class", "newest"}},
        {"an ignored offer's package stays; an entry of another version does not keep it",
         {row("oem1.inf", "print.inf", "I", "Printer", "2018-04-04", "1.0"), row("oem2.inf", "print.inf", "I", "Printer", "2020-04-04", "2.0")},
         {ignore_other_version, ignore_old_printer},
         {"ignored", "newest"}},
        {"", {row("oem1.inf", "print.inf", "I", "Printer", "2018-04-04", "1.0"), row("oem2.inf", "print.inf", "I", "Printer", "2020-04-04", "2.0")},
         {ignore_other_version},
         {"superseded", "newest"}},
        {"equal versions: the later date supersedes; equal date and version supersede neither",
         {row("oem1.inf", "v.inf", "V", "MEDIA", "2010-05-01", "6.0"), row("oem2.inf", "v.inf", "V", "MEDIA", "2011-11-02", "6.0"),
          row("oem3.inf", "w.inf", "V", "MEDIA", "2011-11-02", "6.0"), row("oem4.inf", "w.inf", "V", "MEDIA", "2011-11-02", "6.0")},
         {},
         {"superseded", "newest", "newest", "newest"}},
        {"same date: the greater version supersedes, compared by number",
         {row("oem1.inf", "v.inf", "V", "MEDIA", "2011-11-02", "6.0.10.0"), row("oem2.inf", "v.inf", "V", "MEDIA", "2011-11-02", "6.0.9.0")},
         {},
         {"newest", "superseded"}},
        {"another provider or class of the same INF name is another line",
         {row("oem1.inf", "a.inf", "Other Corp", "Net", "2009-01-01", "1.0"), row("oem2.inf", "a.inf", "A", "Net", "2012-01-01", "2.0"),
          row("oem3.inf", "a.inf", "A", "Ports", "2010-01-01", "1.0")},
         {},
         {"newest", "newest", "newest"}},
        {"the system's own package is never removed",
         {row("net.inf", "net.inf", "Microsoft", "Net", "2001-01-01", "5.1"), row("oem2.inf", "net.inf", "Microsoft", "Net", "2012-01-01", "6.0")},
         {},
         {"system package", "newest"}},
    };
    for (const case_t& c : cases) {
        std::vector<std::string> got;
        for (cleanup_verdict_t v : cleanup_verdicts(c.store, c.ignored)) got.push_back(cleanup_verdict_text(v));
        EXPECT_EQ(got, c.verdicts) << c.what;
    }

    // The class GUID decides where both INFs give one, whatever the names.
    store_package_t a = row("oem1.inf", "a.inf", "A", "Net", "2011-01-01", "1.0");
    store_package_t b = row("oem2.inf", "a.inf", "A", "Network", "2012-01-01", "2.0");
    a.class_guid = u"{4D36E972-E325-11CE-BFC1-08002BE10318}";
    b.class_guid = u"{4d36e972-e325-11ce-bfc1-08002be10318}";
    EXPECT_TRUE(same_package_line(a, b));
    EXPECT_TRUE(boot_critical_class(u"", u"{4d36e97d-e325-11ce-bfc1-08002be10318}"));
    EXPECT_FALSE(boot_critical_class(u"Net", u"{4D36E972-E325-11CE-BFC1-08002BE10318}"));
}

TEST_F(StoreListing, TheFixtureStoresCandidatesAreTheSupersededPackagesNobodyUses)
{
    fake_store_platform_c platform(cleanup_root());
    driver_store_t store;
    ASSERT_EQ(init_driver_store(store, 61, platform), 0);
    std::vector<store_package_t> packages = list_store_packages(store, 61, inventory);
    auto names = [&](const ignored_offers_t& ignored) {
        std::vector<std::string> out;
        for (size_t i : cleanup_candidates(packages, ignored)) out.push_back(narrow(packages[i].published_name));
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(names({}), (std::vector<std::string>{"oem901.inf", "oem902.inf", "oem906.inf"}));
    // The printer's 1.0 offer ignored by one of the IDs its INF names.
    ignored_offers_t ignored = {{u"inkmere_p2100", u"1.0.0.0", u"2018-04-04", u"Inkmere P2100"}};
    EXPECT_EQ(names(ignored), (std::vector<std::string>{"oem901.inf", "oem902.inf"}));
}

// ---- Removal -------------------------------------------------------------

TEST(RemovalCommand, EachSystemsOwnMeans)
{
    struct {
        uint32_t major, minor;
        bool wow64;
        removal_kind_t kind;
        const char* program;
        const char* arguments;
    } cases[] = {
        {5, 1, false, removal_kind_t::setup_uninstall, "oem12.inf", ""},
        {6, 0, false, removal_kind_t::pnputil, "C:\\Windows\\System32\\pnputil.exe", "-d oem12.inf"},
        {6, 3, true, removal_kind_t::pnputil, "C:\\Windows\\Sysnative\\pnputil.exe", "-d oem12.inf"},
        {10, 0, false, removal_kind_t::pnputil, "C:\\Windows\\System32\\pnputil.exe", "/delete-driver oem12.inf"},
    };
    for (const auto& c : cases) {
        environment_t env;
        env.version_info.platform_id = ver_platform_win32_nt;
        env.version_info.major = c.major;
        env.version_info.minor = c.minor;
        env.wow64_process = c.wow64;
        copy_field(env.windows_folder, path_chars, u"C:\\Windows");
        removal_command_t command = choose_removal(env, u"oem12.inf");
        EXPECT_EQ(command.kind, c.kind) << c.major << "." << c.minor;
        EXPECT_EQ(narrow(command.program), c.program);
        EXPECT_EQ(narrow(command.arguments), c.arguments);
    }
    EXPECT_TRUE(pnputil_succeeded(0));
    EXPECT_TRUE(pnputil_succeeded(3010));
    EXPECT_FALSE(pnputil_succeeded(1));
}

// Records each call with what the backup folder held at that moment, and
// removes the published INF as pnputil does unless told otherwise.
class recording_removal_c final : public removal_platform_c {
public:
    struct call_t {
        std::string program;
        std::string arguments;
        size_t archives_then = 0;
    };
    std::vector<call_t> calls;
    u16 inf_folder;
    fs::path backup_folder;
    std::map<std::string, uint32_t> exit_codes;  // by arguments; 0 otherwise
    bool keeps_files = false;

    bool run_and_wait(u16view program, u16view arguments, uint32_t& exit_code) override
    {
        call_t call{narrow(program), narrow(arguments), archives()};
        calls.push_back(call);
        exit_code = exit_codes.count(call.arguments) ? exit_codes[call.arguments] : 0;
        u16 name(arguments.substr(arguments.rfind(u' ') + 1));
        if (exit_code == 0 && !keeps_files) remove_file(path_join(inf_folder, name).c_str());
        return true;
    }
    bool uninstall_oem_inf(u16view published_name) override
    {
        calls.push_back({"SetupUninstallOEMInfW", narrow(published_name), archives()});
        return true;  // and removes nothing, as Wine's
    }

private:
    size_t archives() const
    {
        size_t n = 0;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(backup_folder, ec))
            if (e.path().extension() == ".zip") ++n;
        return n;
    }
};

class StoreRemoval : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::copy(cleanup_root(), dir.path() / "root", fs::copy_options::recursive);
        scan_backup_machine(inventory);
        ASSERT_EQ(init_driver_store(store, 61, store_platform), 0);
        packages = list_store_packages(store, 61, inventory);
        fs::create_directories(dir.path() / "program");
        copy_field(environment.program_folder, path_chars, program_path(dir.path() / "program") + u"\\");
        copy_field(environment.windows_folder, path_chars, u"C:\\Windows");
        environment.version_info.platform_id = ver_platform_win32_nt;
        environment.version_info.major = 10;
        services.backup_folder = program_path(dir.path() / "backups");
        removal.inf_folder = store.inf_folder;
        removal.backup_folder = dir.path() / "backups";
        job.backup_folder = services.backup_folder;
    }

    void take(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            const store_package_t* p = find_published(packages, name);
            ASSERT_NE(p, nullptr) << name;
            job.items.push_back(removal_item_for(*p, inventory));
        }
    }

    temp_dir_c dir;
    fake_store_platform_c store_platform{dir.path() / "root"};
    device_inventory_t inventory;
    driver_store_t store;
    std::vector<store_package_t> packages;
    std::vector<driver_package_t> located;
    backup_catalogue_t catalogue;
    environment_t environment;
    recording_shell_c shell;
    backup_services_t services{store, located, catalogue, inventory, environment, shell, u16(),
                               [] { return std::string("2026-12-11"); }};
    recording_removal_c removal;
    removal_job_t job;
};

TEST_F(StoreRemoval, EachPackageIsBackedUpAndRecordedBeforeItsRemovalAndTheFreedBytesAreCounted)
{
    // The fixture's INFs name models of no device of the machine (Wine's
    // Setup API would offer them to the devices); here the old LAN package
    // names the machine's first port.
    for (store_package_t& p : packages)
        if (p.published_name == u"oem901.inf") p.hardware_ids.push_back(u"pci\\ven_ace1&dev_0001");
    take({"oem901.inf", "oem902.inf"});
    EXPECT_EQ(removal_job(job, services, removal), 0);
    ASSERT_EQ(removal.calls.size(), 2u);
    EXPECT_EQ(removal.calls[0].program, "C:\\Windows\\System32\\pnputil.exe");
    EXPECT_EQ(removal.calls[0].arguments, "/delete-driver oem901.inf");
    EXPECT_EQ(removal.calls[0].archives_then, 1u);  // its own archive was there first
    EXPECT_EQ(removal.calls[1].arguments, "/delete-driver oem902.inf");
    EXPECT_EQ(removal.calls[1].archives_then, 2u);
    EXPECT_EQ(job.progress.load(), 200);
    for (const removal_item_t& item : job.items) EXPECT_EQ(item.result, removal_result_t::removed);
    EXPECT_EQ(removal_freed_bytes(job), job.items[0].size + job.items[1].size);
    EXPECT_GT(job.items[0].size, 1000u);

    // The archives hold the package folders; the catalogue names them with
    // the devices the old INF was for (the port), or none.
    EXPECT_EQ(narrow(path_file_name(job.items[0].archive_path)), "acmelan.inf-2.0.0.1.zip");
    std::vector<read_entry_t> entries = read_archive(job.items[0].archive_path, false);
    std::vector<std::string> names;
    for (const read_entry_t& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"acmelan.inf", "acmelan.sys"}));
    std::vector<backup_entry_t> recorded = catalogue_entries(catalogue);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].file, "acmelan.inf-2.0.0.1.zip");
    EXPECT_EQ(recorded[0].date, "2026-12-11");
    ASSERT_EQ(recorded[0].devices.size(), 1u);
    EXPECT_EQ(narrow(recorded[0].devices[0].device_id), "PCI\\VEN_ACE1&DEV_0001&SUBSYS_00011AC3&REV_01");
    EXPECT_TRUE(recorded[1].devices.empty());
    EXPECT_TRUE(fs::exists(dir.path() / "program" / "backup.xml"));
}

TEST_F(StoreRemoval, WithoutBackupNothingIsArchivedAndOneFailureLeavesTheOthersRemoved)
{
    take({"oem901.inf", "oem902.inf", "oem906.inf"});
    job.back_up = false;
    removal.exit_codes["/delete-driver oem902.inf"] = 5;
    EXPECT_EQ(removal_job(job, services, removal), -1);
    ASSERT_EQ(removal.calls.size(), 3u);
    for (const auto& call : removal.calls) EXPECT_EQ(call.archives_then, 0u);
    EXPECT_EQ(job.items[0].result, removal_result_t::removed);
    EXPECT_EQ(job.items[1].result, removal_result_t::removal_failed);
    EXPECT_EQ(job.items[1].exit_code, 5u);
    EXPECT_EQ(job.items[2].result, removal_result_t::removed);
    EXPECT_EQ(removal_freed_bytes(job), job.items[0].size + job.items[2].size);
    EXPECT_FALSE(fs::exists(dir.path() / "backups"));
}

TEST_F(StoreRemoval, AFailedBackupStopsThatPackagesRemovalOnly)
{
    take({"oem901.inf", "oem902.inf"});
    job.items[0].folder = program_path(dir.path() / "gone");  // nothing to archive
    EXPECT_EQ(removal_job(job, services, removal), -1);
    ASSERT_EQ(removal.calls.size(), 1u);
    EXPECT_EQ(removal.calls[0].arguments, "/delete-driver oem902.inf");
    EXPECT_EQ(job.items[0].result, removal_result_t::backup_failed);
    EXPECT_EQ(job.items[1].result, removal_result_t::removed);
    EXPECT_TRUE(fs::exists(dir.path() / "root" / "inf" / "oem901.inf"));
}

TEST_F(StoreRemoval, ASuccessThatLeavesThePackageFreesNothing)
{
    // Before Vista the Setup API removes; one that answers TRUE and keeps
    // the INF (as Wine's) is reported, not counted.
    environment.version_info.major = 5;
    take({"oem901.inf"});
    job.back_up = false;
    EXPECT_EQ(removal_job(job, services, removal), -1);
    ASSERT_EQ(removal.calls.size(), 1u);
    EXPECT_EQ(removal.calls[0].program, "SetupUninstallOEMInfW");
    EXPECT_EQ(removal.calls[0].arguments, "oem901.inf");
    EXPECT_EQ(job.items[0].result, removal_result_t::still_present);
    EXPECT_EQ(removal_freed_bytes(job), 0u);
}

TEST_F(StoreRemoval, StoppingBeforeAPackageLeavesItAndTheRestUntouched)
{
    take({"oem901.inf", "oem902.inf"});
    stop_flag_t stop{1};
    EXPECT_EQ(removal_job(job, services, removal, &stop), -1);
    EXPECT_TRUE(removal.calls.empty());
    EXPECT_EQ(job.items[0].result, removal_result_t::not_done);
}

} // namespace

// ---- The page's run -----------------------------------------------------------

TEST(CleanupRuns, SizesForPeople)
{
    struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {{0, "0 bytes"},        {1023, "1023 bytes"},     {1024, "1.0 KB"},         {1536, "1.5 KB"},
                 {1048575, "1024.0 KB"}, {1048576, "1.0 MB"},     {12900000, "12.3 MB"},     {3221225472u, "3.0 GB"}};
    for (const auto& c : cases) EXPECT_EQ(narrow(size_text(c.bytes)), c.text) << c.bytes;
}

TEST_F(StoreRemoval, ThePageListsTheCandidatesAndRemovesTheTickedOnesOnAWorker)
{
    cleanup_view_state_t view;
    ASSERT_TRUE(cleanup_view_shown(view, services, {}));
    std::vector<std::string> names;
    for (size_t i : view.candidates) names.push_back(narrow(view.packages[i].published_name));
    EXPECT_EQ(names, (std::vector<std::string>{"oem901.inf", "oem906.inf", "oem902.inf"}));

    test::recording_host_c host;
    EXPECT_FALSE(start_removal(view, {}, true, host, services, removal));
    EXPECT_EQ(host.boxes, std::vector<std::string>{"cleanup_no_package/1"});

    // No to the question: nothing starts.
    host.answers = {box_result_t::declined};
    EXPECT_FALSE(start_removal(view, {2, 0}, false, host, services, removal));
    EXPECT_FALSE(view.worker.held());
    EXPECT_EQ(host.boxes.back(), "cleanup_confirm/3");

    ASSERT_TRUE(start_removal(view, {2, 0}, false, host, services, removal));
    // Held until its end is handled: a second press does nothing.
    EXPECT_FALSE(start_removal(view, {1}, false, host, services, removal));
    view.worker.wait();
    EXPECT_EQ(removal_tick(view, host), removal_tick_result_t::completed);
    EXPECT_EQ(host.boxes.size(), 4u);
    EXPECT_EQ(host.boxes.back().substr(host.boxes.back().size() - 2), "/0");
    ASSERT_EQ(removal.calls.size(), 2u);
    EXPECT_EQ(removal.calls[0].arguments, "/delete-driver oem902.inf");
    EXPECT_EQ(removal.calls[1].arguments, "/delete-driver oem901.inf");
    EXPECT_FALSE(view.worker.held());
    EXPECT_EQ(removal_tick(view, host), removal_tick_result_t::idle);
}
