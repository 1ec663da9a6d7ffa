// Installation workers on real threads: the request outlives the row, and a
// second request while the worker runs does nothing.
#include "packages/package_install.h"

#include "common/files.h"
#include "fakes.h"
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
class gated_shell_t final : public shell_t {
public:
    test::recording_shell_t record;

    void execute(u16view file, u16view parameters) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        lock.unlock();
        record.execute(file, parameters);
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
    test::temp_dir_t dir;
    fs::path downloads = dir.path() / "download", program = dir.path() / "program";
    fs::create_directories(program);
    test::write_zip(downloads / "d1.zip", {{"drv/a.inf", "inf"}});
    environment_t env;
    copy_field(env.program_folder, path_chars, test::program_path(program) + u"\\");
    gated_shell_t shell;
    test::recording_host_c host;
    install_services_t services{shell, system_threads(), env};

    install_order_t order;
    order.link = "http://127.0.0.1/d1.zip";
    order.package_path = path_join(test::program_path(downloads), u"d1.zip");
    order.download_folder = test::program_path(downloads);
    order.inf_names = {u"drv\\a.inf"};

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
