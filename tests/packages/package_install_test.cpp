// Installing a package without threads: the worker's steps run directly,
// and the requests that never start a worker.
#include "packages/package_install.h"

#include "common/files.h"
#include "common/sha256.h"
#include "service/installed_links.h"
#include "fakes.h"
#include "system/restore_point_fake.h"
#include "support/test_support.h"
#include "test_zip.h"

#include <gtest/gtest.h>

using namespace tdu;
namespace fs = std::filesystem;

namespace {

// Every package installed here is pinned by its digest, as a signed answer
// gives it; one offered without a digest is refused (see below).
void pin_digest(install_request_t& request)
{
    std::string digest;
    ASSERT_TRUE(sha256_file_hex(request.package_path, digest));
    request.sha256 = digest;
}

struct install_fixture_t {
    test::temp_dir_c dir;
    fs::path downloads = dir.path() / "download";
    fs::path program = dir.path() / "program";
    environment_t env;
    test::recording_shell_c shell;
    test::recording_processes_c processes;
    test::recording_host_c host;
    test::refusing_threads_c no_threads;
    install_services_t services{shell, processes, no_threads, env};
    worker_c installer{no_threads};  // the row's

    install_fixture_t()
    {
        fs::create_directories(downloads);
        fs::create_directories(program);
        test::write_file(program / "DPInst32.exe", "the installer tool");
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
    }
    u16 download(const char* name) const { return path_join(test::program_path(downloads), utf8_to_utf16(name)); }
    install_order_t order(const char* package, std::vector<u16> infs = {u"drv\\a.inf"}) const
    {
        install_order_t o;
        o.link = "http://127.0.0.1/pkg/driver.zip";
        o.package_path = download(package);
        o.download_folder = test::program_path(downloads);
        o.inf_names = std::move(infs);
        return o;
    }
    std::string setup_dat() const
    {
        return fs::exists(program / "setup.dat") ? test::read_file(program / "setup.dat") : "<none>";
    }
};

} // namespace

TEST(InstallPackage, UnpacksBesideTheDownloadRemovesTopLevelPagesAndStartsTheInstaller)
{
    install_fixture_t f;
    test::write_zip(f.downloads / "0123abcd.zip", {
                                                      {"drv/x64/a.inf", "inf"},
                                                      {"drv/x64/a.sys", "sys"},
                                                      {"drv/x64/notes.htm", "kept"},
                                                      {"readme.htm", "ad"},
                                                      {"Index.HTM", "ad"},
                                                      {"page.html", "kept"},
                                                  });
    install_request_t request;
    request.package_path = f.download("0123abcd.zip");
    request.download_folder = test::program_path(f.downloads);
    request.inf_names = {u"drv\\x64\\a.inf"};
    request.installing = 1;

    pin_digest(request);
    EXPECT_EQ(install_package(request, f.shell, f.processes, f.env), 0);

    fs::path unpacked = f.downloads / "0123abcd";
    EXPECT_EQ(test::read_file(unpacked / "drv/x64/a.sys"), "sys");
    EXPECT_FALSE(fs::exists(unpacked / "readme.htm"));
    EXPECT_FALSE(fs::exists(unpacked / "Index.HTM"));
    EXPECT_TRUE(fs::exists(unpacked / "drv/x64/notes.htm"));
    EXPECT_TRUE(fs::exists(unpacked / "page.html"));
    EXPECT_TRUE(fs::exists(f.downloads / "0123abcd.zip"));
    u16 folder = path_join(test::program_path(f.downloads), u"0123abcd\\drv\\x64");
    ASSERT_EQ(f.shell.calls().size(), 1u);
    EXPECT_EQ(f.shell.calls()[0].file, path_join(test::program_path(f.program), u"DPInst32.exe"));
    EXPECT_EQ(f.shell.calls()[0].parameters, u"/SH /PATH \"" + folder + u"\"");
    EXPECT_EQ(request.installing.load(), 0);
    EXPECT_EQ(request.outcome.load(), install_outcome_started);
}

// A package that cannot be unpacked is opened with the shell. Only a
// program started so is an installer: its link is recorded; a damaged zip
// opened in Explorer, or a program the shell could not start, is not.
TEST(InstallPackage, APackageThatIsNoArchiveIsOpenedAndRecordedOnlyWhenItIsAStartedProgram)
{
    struct row {
        const char* what;
        const char* name;
        bool shell_starts;
        int result;
        int32_t outcome;
        const char* setup_dat;
    };
    const row rows[] = {
        {"a program", "77aa.exe", true, 0, install_outcome_started, "http://127.0.0.1/pkg/driver.zip\n"},
        {"a program the shell cannot start", "77aa.EXE", false, -1, install_outcome_not_started, "<none>"},
        {"a zip that cannot be unpacked", "77aa.zip", true, -1, install_outcome_failed, "<none>"},
    };
    for (const row& r : rows) {
        install_fixture_t f;
        f.shell.starts = r.shell_starts;
        test::write_file(f.downloads / r.name, "MZ a driver setup program");
        install_request_t request;
        request.package_path = f.download(r.name);
        request.download_folder = test::program_path(f.downloads);
        request.link = "http://127.0.0.1/pkg/driver.zip";
        request.installing = 1;

        pin_digest(request);
        EXPECT_EQ(install_package(request, f.shell, f.processes, f.env), r.result) << r.what;
        EXPECT_EQ(f.shell.lines(), std::vector<std::string>{utf16_to_utf8(f.download(r.name)) + "|"}) << r.what;
        EXPECT_EQ(request.installing.load(), 0) << r.what;
        EXPECT_EQ(request.outcome.load(), r.outcome) << r.what;
        EXPECT_EQ(f.setup_dat(), r.setup_dat) << r.what;
        EXPECT_EQ(test::read_file(f.downloads / r.name), "MZ a driver setup program") << r.what;
    }
}

// What the worker started decides whether the link is recorded: an
// installer on the INF folder or a setup program is; an opened folder (no
// tool on XP, or nothing to install in the package) or a start the shell
// refused is not.
TEST(InstallPackage, OnlyAStartedInstallerRecordsTheLink)
{
    struct row {
        const char* what;
        std::vector<test::zip_entry_t> entries;
        bool xp;
        bool shell_starts;
        int32_t outcome;
        bool recorded;
    };
    const row rows[] = {
        {"the tool on the INF folder", {{"drv/a.inf", "inf"}}, false, true, install_outcome_started, true},
        {"the package's setup program", {{"setup.exe", "MZ"}}, false, true, install_outcome_started, true},
        {"nothing to install: the folder is opened", {{"readme.txt", "text"}}, false, true,
         install_outcome_opened_package_folder, false},
        {"no tool on XP: the folder is opened", {{"drv/a.inf", "inf"}}, true, true, install_outcome_opened_folder,
         false},
        {"the shell cannot start the tool", {{"drv/a.inf", "inf"}}, false, false, install_outcome_not_started, false},
    };
    for (const row& r : rows) {
        install_fixture_t f;
        if (r.xp) {
            fs::remove(f.program / "DPInst32.exe");
            f.env.version_info.platform_id = ver_platform_win32_nt;
            f.env.version_info.major = 5;
            f.env.version_info.minor = 1;
        }
        f.shell.starts = r.shell_starts;
        test::write_zip(f.downloads / "0123abcd.zip", r.entries);
        install_request_t request;
        request.package_path = f.download("0123abcd.zip");
        request.download_folder = test::program_path(f.downloads);
        request.inf_names = {u"drv\\a.inf"};
        request.link = "http://127.0.0.1/pkg/driver.zip";
        request.installing = 1;

        pin_digest(request);
        EXPECT_EQ(install_package(request, f.shell, f.processes, f.env), r.recorded ? 0 : -1) << r.what;
        EXPECT_EQ(request.outcome.load(), r.outcome) << r.what;
        EXPECT_EQ(f.setup_dat(), r.recorded ? "http://127.0.0.1/pkg/driver.zip\n" : "<none>") << r.what;
        EXPECT_EQ(f.shell.calls().size(), 1u) << r.what;
    }
}

TEST(InstallPackage, PackageFolderIsTheNameWithoutItsLastExtension)
{
    EXPECT_EQ(package_folder_for(u"C:\\dl", u"C:\\dl\\0123abcd.zip"), u"C:\\dl\\0123abcd");
    EXPECT_EQ(package_folder_for(u"C:\\dl\\", u"C:\\dl\\0123abcd.tar.gz"), u"C:\\dl\\0123abcd.tar");
    EXPECT_EQ(package_folder_for(u"C:\\dl", u"C:\\elsewhere\\pkg.cab"), u"C:\\dl\\pkg");
    // The package of a link without an extension: the folder never takes
    // the package file's own name.
    EXPECT_EQ(package_folder_for(u"C:\\dl", u"C:\\dl\\0123abcd"), u"C:\\dl\\0123abcd_files");
}

TEST(InstallPackage, APackageOfALinkWithoutAnExtensionIsInstalled)
{
    install_fixture_t f;
    test::write_zip(f.downloads / "0123abcd", {{"drv/a.inf", "inf"}});
    install_request_t request;
    request.package_path = f.download("0123abcd");
    request.download_folder = test::program_path(f.downloads);
    request.inf_names = {u"drv\\a.inf"};

    pin_digest(request);
    EXPECT_EQ(install_package(request, f.shell, f.processes, f.env), 0);
    EXPECT_EQ(request.outcome.load(), install_outcome_started);
    EXPECT_EQ(test::read_file(f.downloads / "0123abcd_files/drv/a.inf"), "inf");
    EXPECT_TRUE(fs::is_regular_file(f.downloads / "0123abcd"));
    u16 folder = path_join(test::program_path(f.downloads), u"0123abcd_files\\drv");
    EXPECT_EQ(f.shell.lines(), std::vector<std::string>{utf16_to_utf8(path_join(test::program_path(f.program),
                                                                                 u"DPInst32.exe")) +
                                                        "|/SH /PATH \"" + utf16_to_utf8(folder) + "\""});
}

TEST(InstallPackage, ARepublishedPackageInstallsNoFileOfTheEarlierOne)
{
    install_fixture_t f;
    // An earlier version of the package was unpacked into the same folder.
    test::write_file(f.downloads / "0123abcd/drv/a.inf", "old inf");
    test::write_file(f.downloads / "0123abcd/drv/old.cat", "old catalogue");
    test::write_zip(f.downloads / "0123abcd.zip", {{"drv/a.inf", "new inf"}, {"drv/a.sys", "new sys"}});
    install_request_t request;
    request.package_path = f.download("0123abcd.zip");
    request.download_folder = test::program_path(f.downloads);
    request.inf_names = {u"drv\\a.inf"};

    pin_digest(request);
    EXPECT_EQ(install_package(request, f.shell, f.processes, f.env), 0);
    EXPECT_EQ(test::read_file(f.downloads / "0123abcd/drv/a.inf"), "new inf");
    EXPECT_EQ(test::read_file(f.downloads / "0123abcd/drv/a.sys"), "new sys");
    EXPECT_FALSE(fs::exists(f.downloads / "0123abcd/drv/old.cat"));
}

TEST(RequestInstall, AnswersAndStatesThatStartNoWorker)
{
    struct row {
        const char* what;
        bool no_update;
        bool admin;
        int installing;
        std::deque<box_result_t> answers;
        std::vector<std::string> boxes;
        bool asked;  // a worker was asked for
    };
    const row rows[] = {
        {"no newer driver, No", true, true, 0, {box_result_t::declined}, {"download_setup_warning/3"}, false},
        {"no newer driver, Yes", true, true, 0, {box_result_t::accepted}, {"download_setup_warning/3"}, true},
        {"no newer driver, closed without an answer", true, true, 0, {box_result_from_button(0)},
         {"download_setup_warning/3"}, false},
        {"not an administrator", false, false, 0, {}, {"download_setup_require/2"}, false},
        {"worker still running", false, true, 1, {}, {}, false},
        {"newer driver: no question", false, true, 0, {}, {}, true},
    };
    for (const auto& r : rows) {
        install_fixture_t f;
        f.shell.admin = r.admin;
        f.host.answers = r.answers;
        auto request = std::make_shared<install_request_t>();
        request->installing = r.installing;
        install_order_t order = f.order("abc.zip");
        order.no_update = r.no_update;

        EXPECT_FALSE(request_install(f.installer, request, order, f.host, f.services)) << r.what;

        EXPECT_EQ(f.host.boxes, r.boxes) << r.what;
        // Nothing is recorded before an installer was started.
        EXPECT_EQ(f.setup_dat(), "<none>") << r.what;
        EXPECT_EQ(f.no_threads.refused, r.asked ? 1 : 0) << r.what;
        // Without a thread the row can ask again.
        EXPECT_EQ(request->installing.load(), r.installing) << r.what;
        EXPECT_TRUE(f.shell.calls().empty()) << r.what;
    }
}

TEST(RequestInstall, FillsTheRequestAndLeavesSetupDatToTheWorker)
{
    install_fixture_t f;
    auto request = std::make_shared<install_request_t>();
    request->inf_names = {u"stale\\old.inf"};
    test::write_file(f.program / "setup.dat", "http://127.0.0.1/earlier.zip\n");
    install_order_t order = f.order("abc.zip", {u"x\\b.inf", u"x\\a.inf", u"x\\b.inf"});

    EXPECT_FALSE(request_install(f.installer, request, order, f.host, f.services));  // no thread here
    EXPECT_EQ(request->package_path, f.download("abc.zip"));
    EXPECT_EQ(request->download_folder, test::program_path(f.downloads));
    EXPECT_EQ(request->inf_names, (inf_name_set_t{u"x\\a.inf", u"x\\b.inf"}));
    EXPECT_EQ(request->link, "http://127.0.0.1/pkg/driver.zip");
    EXPECT_EQ(f.setup_dat(), "http://127.0.0.1/earlier.zip\n");
}

TEST(RequestInstall, SetupDatThatCannotBeOpenedIsSkipped)
{
    install_fixture_t f;
    fs::create_directories(f.program / "setup.dat");  // a folder where the file should be
    auto request = std::make_shared<install_request_t>();
    EXPECT_FALSE(append_installed_link(f.env.program_folder, "http://x/y.zip"));
    EXPECT_FALSE(request_install(f.installer, request, f.order("abc.zip"), f.host, f.services));
    EXPECT_EQ(f.no_threads.refused, 1);  // it went on to start the worker

    // The worker starts the installer all the same.
    test::write_zip(f.downloads / "abc.zip", {{"drv/a.inf", "inf"}});
    install_request_t direct;
    direct.package_path = f.download("abc.zip");
    direct.download_folder = test::program_path(f.downloads);
    direct.inf_names = {u"drv\\a.inf"};
    direct.link = "http://x/y.zip";
    pin_digest(direct);
    EXPECT_EQ(install_package(direct, f.shell, f.processes, f.env), 0);
    EXPECT_EQ(direct.outcome.load(), install_outcome_started);
}

TEST(RequestInstall, APackageThatAnotherRowsWorkerInstallsIsLeftToIt)
{
    install_fixture_t f;
    install_order_t order = f.order("abc.zip");
    u16 folder = package_folder_for(order.download_folder, order.package_path);
    ASSERT_TRUE(package_installs().begin(folder));  // the worker of a row of an earlier results list

    auto request = std::make_shared<install_request_t>();
    EXPECT_FALSE(request_install(f.installer, request, order, f.host, f.services));
    EXPECT_EQ(f.no_threads.refused, 0);
    EXPECT_EQ(f.setup_dat(), "<none>");
    EXPECT_EQ(request->installing.load(), 0);

    // Once that worker has ended the package can be installed again; a
    // worker that cannot start gives its claim back.
    package_installs().end(folder);
    EXPECT_FALSE(request_install(f.installer, request, order, f.host, f.services));
    EXPECT_EQ(f.no_threads.refused, 1);
    EXPECT_FALSE(package_installs().running(folder));
}

TEST(InstallPackage, APackageWithoutTheOfferedDigestIsNeitherUnpackedNorOpened)
{
    const std::string program = "MZ a driver setup program";
    struct row {
        const char* what;
        std::string sha256;   // of the offer
        int result;
        bool refused;
        size_t shell_calls;
        const char* setup_dat;  // what the worker recorded
    };
    const row rows[] = {
        {"digest of other bytes", sha256_hex_of("MZ the package as it was offered"), -1, true, 0, "<none>"},
        {"the package's own digest", sha256_hex_of(program), 0, false, 1, "http://127.0.0.1/pkg/driver.zip\n"},
        {"no digest offered", "", -1, false, 0, "<none>"},
    };
    for (const auto& r : rows) {
        install_fixture_t f;
        test::write_file(f.downloads / "77aa.exe", program);
        install_request_t request;
        request.package_path = f.download("77aa.exe");
        request.download_folder = test::program_path(f.downloads);
        request.sha256 = r.sha256;
        request.link = "http://127.0.0.1/pkg/driver.zip";
        request.installing = 1;

        EXPECT_EQ(install_package(request, f.shell, f.processes, f.env), r.result) << r.what;
        EXPECT_EQ(request.outcome.load() == install_outcome_refused, r.refused) << r.what;
        if (r.sha256.empty()) EXPECT_EQ(request.outcome.load(), install_outcome_no_digest) << r.what;
        EXPECT_EQ(f.shell.calls().size(), r.shell_calls) << r.what;
        EXPECT_EQ(f.setup_dat(), r.setup_dat) << r.what;
        EXPECT_EQ(request.installing.load(), 0) << r.what;
        EXPECT_EQ(test::read_file(f.downloads / "77aa.exe"), program) << r.what;
    }
}

TEST(RequestInstall, WithADigestTheLinkIsLeftForTheWorkerToRecord)
{
    install_fixture_t f;
    auto request = std::make_shared<install_request_t>();
    install_order_t order = f.order("driver.zip");
    order.sha256 = std::string(64, 'a');
    EXPECT_FALSE(request_install(f.installer, request, order, f.host, f.services));  // no thread: nothing starts
    EXPECT_EQ(f.setup_dat(), "<none>");
    EXPECT_EQ(request->sha256, order.sha256);
}

// The run's restore point is made before the first installation starts its
// installer, and ended after it: as installed when the installer started,
// as cancelled when it could not be started. The package file's name is in
// its description with the INF. Without one, no installer starts until the user agrees.
TEST(InstallPackage, TheFirstInstallationOfTheRunIsMadeWithinARestorePoint)
{
    struct row {
        const char* what;
        bool begins;
        bool shell_starts;
        int result;
        int32_t outcome;
        size_t shell_calls;
        std::vector<std::string> calls;
    };
    const std::string begin = "begin Tavrill Driver Updater: a.inf (0123abcd.zip)";
    const row rows[] = {
        {"installer started", true, true, 0, install_outcome_started, 1, {begin, "end 7 installed"}},
        {"installer not started", true, false, -1, install_outcome_not_started, 1, {begin, "end 7 cancelled"}},
        {"no restore point", false, true, -1, install_outcome_no_restore_point, 0, {begin}},
    };
    for (const row& r : rows) {
        install_fixture_t f;
        f.shell.starts = r.shell_starts;
        test::write_zip(f.downloads / "0123abcd.zip", {{"drv/a.inf", "inf"}});
        test::recording_restore_point_c system;
        system.begins = r.begins;
        restore_point_run_c run(system);
        install_request_t request;
        request.package_path = f.download("0123abcd.zip");
        request.download_folder = test::program_path(f.downloads);
        request.inf_names = {u"drv\\a.inf"};
        request.link = "http://127.0.0.1/pkg/driver.zip";
        request.installing = 1;
        pin_digest(request);

        EXPECT_EQ(install_package(request, f.shell, f.processes, f.env, nullptr, &run), r.result) << r.what;
        EXPECT_EQ(f.shell.calls().size(), r.shell_calls) << r.what;
        EXPECT_EQ(system.lines(), r.calls) << r.what;
        EXPECT_EQ(request.outcome.load(), r.outcome) << r.what;
        EXPECT_EQ(f.setup_dat() == "<none>", r.result != 0) << r.what;
        EXPECT_EQ(request.installing.load(), 0) << r.what;
    }
}

// The order around an installation: restore point, then the backup of the
// driver it replaces, then the installer, then the restore point's end; a
// failing backup stops it (and cancels the restore point) unless the user
// agreed to go without, which takes none.
TEST(GuardedInstall, RestorePointThenBackupThenInstallThenEnd)
{
    struct row {
        const char* what;
        bool begins;                // System Restore makes a restore point
        int backup;                 // -1 none asked for, 0 fails, 1 succeeds
        bool without_backup;
        int32_t install_outcome;    // what the installer step comes to
        int32_t outcome;
        std::vector<std::string> calls;
    };
    const std::string begin = "begin Tavrill Driver Updater: a.inf (p.zip)";
    const row rows[] = {
        {"all goes well", true, 1, false, install_outcome_started, install_outcome_started,
         {begin, "backup", "install", "end 7 installed"}},
        {"no installed driver: no backup", true, -1, false, install_outcome_started, install_outcome_started,
         {begin, "install", "end 7 installed"}},
        {"the backup fails", true, 0, false, install_outcome_started, install_outcome_no_backup,
         {begin, "backup", "end 7 cancelled"}},
        {"the user agreed to go without", true, 0, true, install_outcome_started, install_outcome_started,
         {begin, "install", "end 7 installed"}},
        {"the installer fails", true, 1, false, install_outcome_not_started, install_outcome_not_started,
         {begin, "backup", "install", "end 7 cancelled"}},
        {"no restore point: nothing else", false, 1, false, install_outcome_started, install_outcome_no_restore_point,
         {begin}},
    };
    for (const row& r : rows) {
        test::recording_restore_point_c system;
        system.begins = r.begins;
        restore_point_run_c run(system);
        std::function<bool()> backup;
        if (r.backup >= 0)
            backup = [&] {
                system.note("backup");
                return r.backup == 1;
            };
        auto install = [&] {
            system.note("install");
            return r.install_outcome;
        };
        EXPECT_EQ(guarded_install(&run, u"a.inf (p.zip)", backup, r.without_backup, install), r.outcome) << r.what;
        EXPECT_EQ(system.lines(), r.calls) << r.what;
    }

    // Without a restore point (turned off): the backup still comes first and
    // still stops the installation.
    std::vector<std::string> calls;
    auto install = [&] {
        calls.push_back("install");
        return int32_t(install_outcome_started);
    };
    auto failing = [&] {
        calls.push_back("backup");
        return false;
    };
    EXPECT_EQ(guarded_install(nullptr, u"", failing, false, install), install_outcome_no_backup);
    EXPECT_EQ(calls, (std::vector<std::string>{"backup"}));
}

namespace {

// The program's backup seam: records what it was given, and fails or not.
class recording_backup_c final : public update_backup_c {
public:
    bool succeeds = true;
    bool nothing_installed = false;
    std::vector<std::vector<u16>> prepared;
    std::vector<u16> replacing;
    int runs = 0;
    std::function<bool()> prepare(const std::vector<u16>& device_ids, u16view what) override
    {
        prepared.push_back(device_ids);
        replacing.push_back(u16(what));
        if (nothing_installed) return {};
        return [this] {
            ++runs;
            return succeeds;
        };
    }
};

} // namespace

// Through the worker's job: a failing backup starts no installer and
// records no link; the row's devices reach the backup, which is prepared on
// the requesting thread.
TEST(InstallPackage, AFailingBackupStartsNoInstallerUnlessTheUserAgreed)
{
    for (bool agreed : {false, true}) {
        install_fixture_t f;
        test::write_zip(f.downloads / "0123abcd.zip", {{"drv/a.inf", "inf"}});
        recording_backup_c backup;
        backup.succeeds = false;
        f.services.backup = &backup;
        auto request = std::make_shared<install_request_t>();
        install_order_t order = f.order("0123abcd.zip");
        std::string digest;
        ASSERT_TRUE(sha256_file_hex(order.package_path, digest));
        order.sha256 = digest;
        order.device_ids = {u"PCI\\VEN_1&DEV_2\\3", u"PCI\\VEN_1&DEV_4\\5"};
        order.without_backup = agreed;
        // No thread here: the request is made as the row makes it, and the
        // job it would have started is run directly.
        EXPECT_FALSE(request_install(f.installer, request, order, f.host, f.services));
        install_package(*request, f.shell, f.processes, f.env);
        if (agreed) {
            EXPECT_TRUE(backup.prepared.empty()) << "no backup is taken once the user agreed";
            EXPECT_EQ(request->outcome.load(), install_outcome_started);
            EXPECT_EQ(f.shell.calls().size(), 1u);
            EXPECT_NE(f.setup_dat(), "<none>");
        } else {
            ASSERT_EQ(backup.prepared.size(), 1u);
            EXPECT_EQ(backup.prepared[0], order.device_ids);
            EXPECT_EQ(backup.replacing[0], u"a.inf (0123abcd.zip)");
            EXPECT_EQ(backup.runs, 1);
            EXPECT_EQ(request->outcome.load(), install_outcome_no_backup);
            EXPECT_TRUE(f.shell.calls().empty());
            EXPECT_EQ(f.setup_dat(), "<none>");
        }
        EXPECT_EQ(request->installing.load(), 0);
    }
}
