#include "common/thread_start.h"

#include "common/detached_thread.h"

namespace tdu {
namespace {

class system_thread_starter_c final : public thread_starter_c {
public:
    bool start(std::function<void()> body) override { return start_detached_thread(std::move(body)); }
};

} // namespace

thread_starter_c& system_threads()
{
    static system_thread_starter_c starter;
    return starter;
}

} // namespace tdu
