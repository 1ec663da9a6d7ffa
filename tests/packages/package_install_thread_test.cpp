// Installation workers on real threads: the request outlives the row, a
// second request while a worker for the package runs does nothing (from the
// same row or another), and the row learns how the installation ended.
#include "packages/package_install.h"

#include "common/files.h"
#include "common/sha256.h"
#include "packages/download_row.h"
#include "fakes.h"
#include "system/restore_point_fake.h"
#include "support/test_support.h"
#include "test_zip.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <thread>

using namespace tdu;
namespace fs = std::filesystem;

namespace {


// A shell whose calls wait until the test opens the gate.
class gated_shell_c final : public shell_c {
public:
    test::recording_shell_c record;

    bool execute(u16view file, u16view parameters) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        lock.unlock();
        return record.execute(file, parameters);
    }
    bool is_user_an_admin() override { return true; }
    void wait_entered()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    void open()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

// Waits until the worker has let go of the request (a generous deadline
// only guards against a hang; nothing here measures time).
bool wait_released(const std::weak_ptr<install_request_t>& request)
{
    for (int i = 0; i < 30000 && !request.expired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return request.expired();
}

} // namespace

TEST(InstallWorker, RequestOutlivesTheRowAndRepeatedRequestsWait)
{
    test::temp_dir_c dir;
    fs::path downloads = dir.path() / "download", program = dir.path() / "program";
    fs::create_directories(program);
    test::write_file(program / "DPInst32.exe", "the installer tool");
    test::write_zip(downloads / "d1.zip", {{"drv/a.inf", "inf"}});
    environment_t env;
    copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
    gated_shell_c shell;
    test::recording_host_c host;
    test::recording_processes_c processes;
    install_services_t services{shell, processes, system_threads(), env};

    install_order_t order;
    order.link = "http://127.0.0.1/d1.zip";
    order.package_path = path_join(test::program_path(downloads), u"d1.zip");
    order.download_folder = test::program_path(downloads);
    order.inf_names = {u"drv\\a.inf"};
    order.sha256 = sha256_hex_of(test::read_file(downloads / "d1.zip"));

    auto request = std::make_shared<install_request_t>();
    auto installer = std::make_unique<worker_c>();
    ASSERT_TRUE(request_install(*installer, request, order, host, services));
    shell.wait_entered();
    EXPECT_EQ(request->installing.load(), 1);
    EXPECT_TRUE(installer->running());
    EXPECT_FALSE(request_install(*installer, request, order, host, services));

    // The row goes away while its worker still runs.
    std::weak_ptr<install_request_t> watch = request;
    request.reset();
    installer.reset();
    EXPECT_FALSE(watch.expired());
    shell.open();
    ASSERT_TRUE(wait_released(watch));

    EXPECT_EQ(test::read_file(program / "setup.dat"), "http://127.0.0.1/d1.zip\n");
    ASSERT_EQ(shell.record.calls().size(), 1u);
    EXPECT_EQ(shell.record.calls()[0].file, path_join(test::program_path(program), u"DPInst32.exe"));
    EXPECT_EQ(shell.record.calls()[0].parameters,
              u"/SH /PATH \"" + path_join(test::program_path(downloads), u"d1\\drv") + u"\"");
}

TEST(InstallWorker, APackageHasOneWorkerWhicheverRowAsks)
{
    test::temp_dir_c dir;
    fs::path downloads = dir.path() / "download", program = dir.path() / "program";
    fs::create_directories(program);
    test::write_file(program / "DPInst32.exe", "the installer tool");
    test::write_zip(downloads / "d2.zip", {{"drv/a.inf", "inf"}, {"drv/a.sys", std::string(200000, 's')}});
    environment_t env;
    copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
    gated_shell_c shell;
    test::recording_host_c host;
    test::recording_processes_c processes;
    install_services_t services{shell, processes, system_threads(), env};
    install_order_t order;
    order.link = "http://127.0.0.1/d2.zip";
    order.package_path = path_join(test::program_path(downloads), u"d2.zip");
    order.download_folder = test::program_path(downloads);
    order.inf_names = {u"drv\\a.inf"};
    order.sha256 = sha256_hex_of(test::read_file(downloads / "d2.zip"));

    // The first row's worker runs; the results list is rebuilt, and the new
    // row for the same package (a request of its own) asks again.
    auto first = std::make_shared<install_request_t>();
    worker_c first_row;
    ASSERT_TRUE(request_install(first_row, first, order, host, services));
    shell.wait_entered();
    auto second = std::make_shared<install_request_t>();
    worker_c second_row;
    EXPECT_FALSE(request_install(second_row, second, order, host, services));
    EXPECT_EQ(second->installing.load(), 0);

    shell.open();
    std::weak_ptr<install_request_t> watch = first;
    first.reset();
    ASSERT_TRUE(wait_released(watch));
    EXPECT_EQ(shell.record.calls().size(), 1u);
    EXPECT_EQ(test::read_file(program / "setup.dat"), "http://127.0.0.1/d2.zip\n");

    // With the first worker done, the package can be installed again.
    ASSERT_TRUE(request_install(second_row, second, order, host, services));
    watch = second;
    second.reset();
    ASSERT_TRUE(wait_released(watch));
    EXPECT_EQ(shell.record.calls().size(), 2u);
}

TEST(InstallWorker, TheRowLearnsHowItsInstallationEnded)
{
    struct row {
        const char* what;
        bool archive;
        bool tool;       // the installer tool lies beside the program
        uint32_t major;  // the Windows version
        int32_t outcome;
        const char* status;  // the row's state text afterwards
        bool failure;        // drawn as a failure
        bool recorded;       // the link is in "setup.dat"
        std::vector<std::string> boxes;
        bool wrong_digest = false;  // the service named another package's SHA-256
        bool no_inf = false;        // the package holds neither the INF nor a setup program
        bool no_digest = false;     // the service named no SHA-256
    };
    const row rows[] = {
        {"a package that unpacks", true, true, 5, install_outcome_started, "download_install_started", false, true,
         {}},
        {"a package that is no archive", false, true, 5, install_outcome_failed, "download_install_not_unpacked", true,
         false, {}},
        // pnputil is waited for: its exit code 0 (the fake's) is an installation.
        {"no tool on Windows 7: pnputil", true, false, 6, install_outcome_installed, "download_install_installed",
         false, true, {}},
        // XP has no tool of its own: the folder is opened and the user told.
        {"no tool on XP", true, false, 5, install_outcome_opened_folder, "download_install_folder_opened", false,
         false, {"download_setup_manual/0"}},
        {"no tool on XP, no archive", false, false, 5, install_outcome_failed, "download_install_not_unpacked", true,
         false, {}},
        // A package whose digest is not the offered one: refused, and said.
        {"a package of another digest", true, true, 5, install_outcome_refused, "download_error_digest", true, false,
         {"download_setup_refused/2"}, true},
        // Nothing in the package installs: its folder is opened, and said.
        {"a package without INF or setup program", true, true, 5, install_outcome_opened_package_folder,
         "download_install_folder_opened", false, false, {"download_setup_package_folder/0"}, false, true},
        // An offer without a digest was not vouched for: refused, and the
        // row says why.
        {"a package offered without a digest", true, true, 5, install_outcome_no_digest, "download_setup_no_digest",
         true, false, {}, false, false, true},
    };
    for (const auto& r : rows) {
        test::temp_dir_c dir;
        fs::path downloads = dir.path() / "download", program = dir.path() / "program";
        fs::create_directories(program);
        if (r.tool) test::write_file(program / "DPInst32.exe", "the installer tool");
        environment_t env;
        env.version_info = os_version_t{r.major, 1, 2600, ver_platform_win32_nt};
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
        test::recording_shell_c shell;
        test::recording_host_c host;
        test::recording_processes_c processes;
    install_services_t services{shell, processes, system_threads(), env};
        download_session_list_c sessions;
        sessions.settings.download_folder = test::program_path(downloads);
        download_row_input_t input;
        input.link = "http://127.0.0.1/drivers/pkg.zip";
        input.expected_size = 5000;
        input.inf_names = {u"drv\\a.inf"};
        // The complete package under the name the session gives it.
        fs::path package = test::fs_path(download_names(input.link, sessions.settings.download_folder).final_path);
        if (r.archive && r.no_inf)
            test::write_zip(package, {{"readme.txt", "text"}});
        else if (r.archive)
            test::write_zip(package, {{"drv/a.inf", "inf"}});
        else
            test::write_file(package, "MZ no archive");
        // Offered with its digest, as every signed answer gives it.
        input.sha256 = r.wrong_digest ? std::string(64, '0')
                       : r.no_digest  ? std::string()
                                      : sha256_hex_of(test::read_file(package));
        download_row_c download_row(input, sessions, services, host);
        ASSERT_EQ(download_row.session().state(), download_complete) << r.what;
        EXPECT_EQ(download_row.install_outcome(), install_outcome_none) << r.what;
        EXPECT_STREQ(download_row.status_text_key().name, "download_download_complete") << r.what;

        download_row.click();
        // The row's timer runs until the worker has ended.
        EXPECT_TRUE(host.timer_running) << r.what;
        for (int i = 0; i < 30000 && host.timer_running; ++i) {
            download_row.timer_tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_FALSE(host.timer_running) << r.what;
        EXPECT_EQ(download_row.install_outcome(), r.outcome) << r.what;
        EXPECT_EQ(download_row.session().state(), download_complete) << r.what;
        download_row.timer_tick();  // a later tick says nothing more
        EXPECT_EQ(host.boxes, r.boxes) << r.what;
        // The row says how it ended, and only a started installer is
        // recorded for the next scan.
        EXPECT_STREQ(download_row.status_text_key().name, r.status) << r.what;
        EXPECT_EQ(download_row.status().failure, r.failure) << r.what;
        EXPECT_STREQ(download_row.button_text_key().name, "download_btn_setup") << r.what;
        const bool recorded = fs::exists(program / "setup.dat") &&
                              test::read_file(program / "setup.dat") == input.link + "\n";
        EXPECT_EQ(recorded, r.recorded) << r.what;
    }
}

// pnputil's exit code, waited for on the row's worker, is the row's outcome:
// what the row shows, whether it is a failure, whether the link goes into
// "setup.dat", and what the user is told. Windows 10 with the tool beside
// the program still takes pnputil.
TEST(InstallWorker, PnputilsExitCodeIsTheRowsOutcome)
{
    struct row {
        const char* what;
        process_end_t end;
        uint32_t exit_code;
        int32_t outcome;
        const char* status;
        std::string argument;  // the status text's "%s"
        bool failure;
        bool recorded;
        std::vector<std::string> boxes;
    };
    const row rows[] = {
        {"installed", process_end_t::ended, 0, install_outcome_installed, "download_install_installed", "", false,
         true, {}},
        {"installed, restart needed", process_end_t::ended, 3010, install_outcome_restart_needed,
         "download_install_restart", "", false, true, {"download_setup_restart/0"}},
        {"no device took it", process_end_t::ended, 259, install_outcome_no_device, "download_install_no_device", "",
         true, false, {}},
        {"access denied", process_end_t::ended, 5, install_outcome_installer_error, "download_install_error_code", "5",
         true, false, {}},
        {"a system error code", process_end_t::ended, 0xE0000247u, install_outcome_installer_error,
         "download_install_error_code", "0xE0000247", true, false, {}},
        {"not started", process_end_t::not_started, 0, install_outcome_not_started, "download_install_not_started",
         "", true, false, {}},
        // Still running when the wait ran out: started, its end unknown.
        {"still running", process_end_t::still_running, 0, install_outcome_started, "download_install_started", "",
         false, true, {}},
    };
    for (const auto& r : rows) {
        test::temp_dir_c dir;
        fs::path downloads = dir.path() / "download", program = dir.path() / "program";
        fs::create_directories(program);
        test::write_file(program / "DPInst32.exe", "the installer tool");
        environment_t env;
        env.version_info = os_version_t{10, 0, 19045, ver_platform_win32_nt};
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
        copy_field(env.windows_folder, path_chars, u"C:\\Windows");
        test::recording_shell_c shell;
        test::recording_processes_c processes;
        processes.end = r.end;
        processes.exit_code = r.exit_code;
        test::recording_host_c host;
        install_services_t services{shell, processes, system_threads(), env};
        download_session_list_c sessions;
        sessions.settings.download_folder = test::program_path(downloads);
        download_row_input_t input;
        input.link = "http://127.0.0.1/drivers/pkg.zip";
        input.expected_size = 5000;
        input.inf_names = {u"drv\\a.inf"};
        fs::path package = test::fs_path(download_names(input.link, sessions.settings.download_folder).final_path);
        test::write_zip(package, {{"drv/a.inf", "inf"}});
        input.sha256 = sha256_hex_of(test::read_file(package));
        download_row_c download_row(input, sessions, services, host);
        ASSERT_EQ(download_row.session().state(), download_complete) << r.what;

        download_row.click();
        for (int i = 0; i < 30000 && host.timer_running; ++i) {
            download_row.timer_tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(host.timer_running) << r.what;
        download_row.timer_tick();  // a later tick says nothing more
        const std::string folder =
            utf16_to_utf8(package_folder_for(download_row.session().download_folder(),
                                             download_row.session().final_path())) + "\\drv";
        EXPECT_EQ(processes.lines(), std::vector<std::string>{"C:\\Windows\\System32\\pnputil.exe|/add-driver \"" +
                                                              folder + "\\*.inf\" /install"})
            << r.what;
        EXPECT_EQ(processes.waits(), std::vector<uint32_t>{installer_wait_ms}) << r.what;
        EXPECT_TRUE(shell.calls().empty()) << r.what;
        EXPECT_EQ(download_row.install_outcome(), r.outcome) << r.what;
        const row_status_t status = download_row.status();
        EXPECT_STREQ(status.text.name, r.status) << r.what;
        EXPECT_EQ(status.argument, r.argument) << r.what;
        EXPECT_EQ(status.failure, r.failure) << r.what;
        EXPECT_EQ(host.boxes, r.boxes) << r.what;
        const bool recorded = fs::exists(program / "setup.dat") &&
                              test::read_file(program / "setup.dat") == input.link + "\n";
        EXPECT_EQ(recorded, r.recorded) << r.what;
    }
}

// System Restore makes no restore point: the row asks once a run whether to
// install without one. No leaves the driver uninstalled and says so, and a
// later click asks no more; Yes installs at once, still without asking
// System Restore again.
TEST(InstallWorker, WithoutARestorePointTheRowAsksOnceARun)
{
    struct row {
        const char* what;
        box_result_t answer;
        int32_t outcome;
        const char* status;
        size_t shell_calls;
    };
    const row rows[] = {
        {"No", box_result_t::declined, install_outcome_no_restore_point, "download_install_no_restore_point", 0},
        {"Yes", box_result_t::accepted, install_outcome_started, "download_install_started", 1},
    };
    for (const auto& r : rows) {
        test::temp_dir_c dir;
        fs::path downloads = dir.path() / "download", program = dir.path() / "program";
        fs::create_directories(program);
        test::write_file(program / "DPInst32.exe", "the installer tool");
        environment_t env;
        env.version_info = os_version_t{5, 1, 2600, ver_platform_win32_nt};
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
        test::recording_shell_c shell;
        test::recording_host_c host;
        host.answers = {r.answer};
        test::recording_restore_point_c system;
        system.begins = false;
        restore_point_run_c run(system);
        test::recording_processes_c processes;
    install_services_t services{shell, processes, system_threads(), env};
        services.restore_point = &run;
        download_session_list_c sessions;
        sessions.settings.download_folder = test::program_path(downloads);
        download_row_input_t input;
        input.link = "http://127.0.0.1/drivers/pkg.zip";
        input.expected_size = 5000;
        input.inf_names = {u"drv\\a.inf"};
        fs::path package = test::fs_path(download_names(input.link, sessions.settings.download_folder).final_path);
        test::write_zip(package, {{"drv/a.inf", "inf"}});
        // Pinned by its digest, as a signed answer offers it.
        input.sha256 = sha256_hex_of(test::read_file(package));
        download_row_c download_row(input, sessions, services, host);
        auto settle = [&] {
            for (int i = 0; i < 30000 && host.timer_running; ++i) {
                download_row.timer_tick();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        download_row.click();
        settle();
        EXPECT_FALSE(host.timer_running) << r.what;
        EXPECT_EQ(download_row.install_outcome(), r.outcome) << r.what;
        EXPECT_STREQ(download_row.status_text_key().name, r.status) << r.what;
        EXPECT_EQ(shell.calls().size(), r.shell_calls) << r.what;
        EXPECT_EQ(host.boxes, std::vector<std::string>{"download_setup_no_restore_point/3"}) << r.what;
        // A later installation of the run asks neither the user nor System
        // Restore again.
        download_row.click();
        settle();
        EXPECT_EQ(download_row.install_outcome(), r.outcome) << r.what;
        EXPECT_EQ(shell.calls().size(), 2 * r.shell_calls) << r.what;
        EXPECT_EQ(host.boxes.size(), 1u) << r.what;
        EXPECT_EQ(system.lines(), std::vector<std::string>{"begin Tavrill Driver Updater: a.inf (" +
                                                           package.filename().string() + ")"})
            << r.what;
    }
}

namespace {

// The program's backup seam: every backup fails; records the devices.
class failing_backup_c final : public update_backup_c {
public:
    std::vector<std::vector<u16>> prepared;
    std::atomic<int> runs{0};
    std::function<bool()> prepare(const std::vector<u16>& device_ids, u16view) override
    {
        prepared.push_back(device_ids);
        return [this] {
            ++runs;
            return false;
        };
    }
};

} // namespace

// When the driver a package replaces cannot be backed up, the row installs
// nothing and asks whether to install without that backup: No leaves it
// uninstalled and says so; Yes installs at once, taking no backup. The
// question comes again with the next failing installation.
TEST(InstallWorker, WhenTheBackupFailsTheRowAsksBeforeInstallingWithoutIt)
{
    struct row {
        const char* what;
        box_result_t answer;
        int32_t outcome;
        const char* status;
        size_t shell_calls;
    };
    const row rows[] = {
        {"No", box_result_t::declined, install_outcome_no_backup, "download_install_no_backup", 0},
        {"Yes", box_result_t::accepted, install_outcome_started, "download_install_started", 1},
    };
    for (const auto& r : rows) {
        test::temp_dir_c dir;
        fs::path downloads = dir.path() / "download", program = dir.path() / "program";
        fs::create_directories(program);
        test::write_file(program / "DPInst32.exe", "the installer tool");
        environment_t env;
        env.version_info = os_version_t{5, 1, 2600, ver_platform_win32_nt};
        copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
        test::recording_shell_c shell;
        test::recording_processes_c processes;
        test::recording_host_c host;
        host.answers = {r.answer, r.answer};
        failing_backup_c backup;
        install_services_t services{shell, processes, system_threads(), env};
        services.backup = &backup;
        download_session_list_c sessions;
        sessions.settings.download_folder = test::program_path(downloads);
        download_row_input_t input;
        input.link = "http://127.0.0.1/drivers/pkg.zip";
        input.expected_size = 5000;
        input.inf_names = {u"drv\\a.inf"};
        input.device_ids = {u"PCI\\VEN_1&DEV_2\\3"};
        fs::path package = test::fs_path(download_names(input.link, sessions.settings.download_folder).final_path);
        test::write_zip(package, {{"drv/a.inf", "inf"}});
        input.sha256 = sha256_hex_of(test::read_file(package));
        download_row_c download_row(input, sessions, services, host);
        auto settle = [&] {
            for (int i = 0; i < 30000 && host.timer_running; ++i) {
                download_row.timer_tick();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        download_row.click();
        settle();
        EXPECT_FALSE(host.timer_running) << r.what;
        EXPECT_EQ(download_row.install_outcome(), r.outcome) << r.what;
        EXPECT_STREQ(download_row.status_text_key().name, r.status) << r.what;
        EXPECT_EQ(download_row.status().failure, r.shell_calls == 0) << r.what;
        EXPECT_EQ(shell.calls().size(), r.shell_calls) << r.what;
        EXPECT_EQ(host.boxes, std::vector<std::string>{"download_setup_no_backup/3"}) << r.what;
        EXPECT_EQ(backup.runs.load(), 1) << r.what;
        ASSERT_EQ(backup.prepared.size(), 1u) << r.what;
        EXPECT_EQ(backup.prepared[0], input.device_ids) << r.what;
        // The agreement was for that installation only: the next one backs
        // up again, and asks again when that fails.
        download_row.click();
        settle();
        EXPECT_EQ(backup.runs.load(), 2) << r.what;
        EXPECT_EQ(host.boxes.size(), 2u) << r.what;
        EXPECT_EQ(shell.calls().size(), 2 * r.shell_calls) << r.what;
    }
}
