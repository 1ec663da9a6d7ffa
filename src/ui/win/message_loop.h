#pragma once
// The message loop of the user-interface thread, with message filters (a
// window may translate a message before it is dispatched: accelerators,
// dialog keys) and idle handlers (run once each time the queue empties).
#include <windows.h>

#include <vector>

namespace tdu {

class message_filter_i {
public:
    virtual ~message_filter_i() = default;
    // True when the message was handled and must not be dispatched.
    virtual bool pre_translate_message(MSG& message) = 0;
};

class idle_handler_i {
public:
    virtual ~idle_handler_i() = default;
    virtual void on_idle() = 0;
};

class message_loop_c {
public:
    message_loop_c();
    ~message_loop_c();
    message_loop_c(const message_loop_c&) = delete;
    message_loop_c& operator=(const message_loop_c&) = delete;

    // The loop running on the calling thread (the innermost, when loops
    // nest), or null.
    static message_loop_c* current();

    void add_filter(message_filter_i* filter);
    void remove_filter(message_filter_i* filter);
    void add_idle_handler(idle_handler_i* handler);
    void remove_idle_handler(idle_handler_i* handler);

    // Runs until WM_QUIT and returns its exit code.
    int run();

    // Offers a message to the filters, newest first; true when one took it.
    bool pre_translate(MSG& message);
    void run_idle_handlers();

private:
    std::vector<message_filter_i*> filters_;
    std::vector<idle_handler_i*> idle_handlers_;
    message_loop_c* outer_;
};

} // namespace tdu
