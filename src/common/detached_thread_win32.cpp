// Detached threads on Windows come straight from _beginthreadex. A
// std::thread detached right after its creation was seen under Wine to
// never run its function now and then (about one test run in a hundred),
// leaving its worker "running" for ever.
#include "common/detached_thread.h"

#include <windows.h>
#include <process.h>

#include <new>

namespace tdu {
namespace {

unsigned __stdcall run_body(void* argument)
{
    auto* body = static_cast<std::function<void()>*>(argument);
    (*body)();
    delete body;
    return 0;
}

} // namespace

bool start_detached_thread(std::function<void()> body)
{
    auto* owned = new (std::nothrow) std::function<void()>(std::move(body));
    if (!owned) return false;
    uintptr_t handle = _beginthreadex(nullptr, 0, run_body, owned, 0, nullptr);
    if (handle == 0) {
        delete owned;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

} // namespace tdu
