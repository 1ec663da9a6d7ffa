#pragma once
// Starts a thread that nobody joins: the platform part of the system's
// thread starter (thread_start.h). Windows uses _beginthreadex and closes the handle at
// once; elsewhere it is a detached std::thread.
#include <functional>

namespace tdu {

// Runs `body` on a new thread; false when no thread could be started.
bool start_detached_thread(std::function<void()> body);

} // namespace tdu
