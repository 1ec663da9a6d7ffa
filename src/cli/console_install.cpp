// tdu-cli install: the results rows' install action for every package the
// download left complete, one after the other.
#include "cli/console_download.h"

#include "app/environment.h"
#include "app/language.h"
#include "app/settings.h"
#include "common/text.h"
#include "common/thread_start.h"
#include "packages/package_install.h"
#include "packages/row_host.h"
#include "packages/shell.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace tdu {
namespace {

// The row's boxes as lines on standard error; a question is answered Yes,
// as the command was asked for.
class console_row_host_t final : public row_host_t {
public:
    int message_box(const char* key, int) override
    {
        std::fprintf(stderr, "%s\n", utf16_to_utf8(language_text(key)).c_str());
        return box_first;
    }
    void start_timer() override {}
    void stop_timer() override {}
    void redraw() override {}
};

} // namespace

int console_install(uint32_t tick_ms)
{
    std::vector<console_package_t> packages;
    int failed = download_offered_packages(tick_ms, packages);
    install_services_t services{win32_shell(), system_threads(), environment};
    console_row_host_t host;
    for (const console_package_t& package : packages) {
        install_order_t order;
        order.link = package.input.link;
        order.no_update = package.input.no_update;
        order.package_path = package.package_path;
        order.download_folder = u16(settings.active_download_path);
        order.inf_names = package.input.inf_names;
        order.sha256 = package.input.sha256;
        auto request = std::make_shared<install_request_t>();
        if (!request_install(request, order, host, services)) {
            std::printf("%s: not installed\n", order.link.c_str());
            ++failed;
            continue;
        }
        while (request->installing.load() == 1) std::this_thread::sleep_for(std::chrono::milliseconds(tick_ms));
        if (request->outcome.load() == install_outcome_refused) {
            std::printf("%s: not installed, its SHA-256 is not the offered one\n", order.link.c_str());
            ++failed;
            continue;
        }
        if (request->outcome.load() != install_outcome_started) {
            std::printf("%s: not installed, the package could not be unpacked into %s "
                        "(opened with the shell instead)\n",
                        order.link.c_str(),
                        utf16_to_utf8(package_folder_for(order.download_folder, order.package_path)).c_str());
            ++failed;
            continue;
        }
        std::printf("%s: installer started in %s\n", order.link.c_str(),
                    utf16_to_utf8(package_folder_for(order.download_folder, order.package_path)).c_str());
    }
    return failed == 0 ? 0 : 1;
}

} // namespace tdu
