#include "common/detached_thread.h"

#include <system_error>
#include <thread>

namespace tdu {

bool start_detached_thread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

} // namespace tdu
