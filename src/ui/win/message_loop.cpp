#include "ui/win/message_loop.h"

#include <algorithm>

namespace tdu {

namespace {
thread_local message_loop_c* current_loop = nullptr;
}

message_loop_c::message_loop_c() : outer_(current_loop) { current_loop = this; }

message_loop_c::~message_loop_c() { current_loop = outer_; }

message_loop_c* message_loop_c::current() { return current_loop; }

void message_loop_c::add_filter(message_filter_i* filter)
{
    if (filter && std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) filters_.push_back(filter);
}

void message_loop_c::remove_filter(message_filter_i* filter)
{
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

void message_loop_c::add_idle_handler(idle_handler_i* handler)
{
    if (handler && std::find(idle_handlers_.begin(), idle_handlers_.end(), handler) == idle_handlers_.end())
        idle_handlers_.push_back(handler);
}

void message_loop_c::remove_idle_handler(idle_handler_i* handler)
{
    idle_handlers_.erase(std::remove(idle_handlers_.begin(), idle_handlers_.end(), handler), idle_handlers_.end());
}

bool message_loop_c::pre_translate(MSG& message)
{
    // A filter may remove itself while it runs: walk a copy.
    std::vector<message_filter_i*> filters(filters_.rbegin(), filters_.rend());
    for (message_filter_i* f : filters)
        if (f->pre_translate_message(message)) return true;
    return false;
}

void message_loop_c::run_idle_handlers()
{
    std::vector<idle_handler_i*> handlers = idle_handlers_;
    for (idle_handler_i* h : handlers) h->on_idle();
}

int message_loop_c::run()
{
    MSG message{};
    bool idle = true;
    for (;;) {
        // Idle work runs once each time the queue has run dry.
        while (idle && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            run_idle_handlers();
            idle = false;
        }
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) return static_cast<int>(message.wParam);
        if (!pre_translate(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // Mouse moves and timer ticks come often; they alone do not make
        // the idle handlers run again.
        if (message.message != WM_MOUSEMOVE && message.message != WM_NCMOUSEMOVE && message.message != WM_TIMER &&
            message.message != WM_PAINT)
            idle = true;
    }
}

} // namespace tdu
