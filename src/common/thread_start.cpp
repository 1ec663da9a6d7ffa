#include "common/thread_start.h"

#include <system_error>

namespace tdu {
namespace {

class system_thread_starter_t final : public thread_starter_t {
public:
    bool start(std::thread& thread, std::function<void()> procedure) override
    {
        try {
            thread = std::thread(std::move(procedure));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }
};

} // namespace

thread_starter_t& system_threads()
{
    static system_thread_starter_t starter;
    return starter;
}

} // namespace tdu
