#pragma once
// Helpers of the window tests: pumping the thread's messages, real mouse
// input through SendInput, pictures of windows and DIBs to read pixels from.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace tdu::test {

// Dispatches the thread's messages for `ms` milliseconds.
inline void pump_messages(int ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
}

// Pumps until `done` holds or `ms` pass; returns `done()`.
inline bool pump_until(const std::function<bool()>& done, int ms = 3000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < end) pump_messages(10);
    return done();
}

// Real mouse input at a screen point, as a user's hand would make it.
inline void mouse_move_to(int x, int y)
{
    SetCursorPos(x, y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
    in.mi.dx = MulDiv(x, 65535, w);
    in.mi.dy = MulDiv(y, 65535, h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

inline void mouse_button(bool down)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
}

// Runs `steps` (input with pauses) on a thread of its own, as a user's hand
// apart from the program, while this thread goes on dispatching messages:
// a press on a caption enters the system's move loop, which returns only
// once the button is up again.
inline void run_input(const std::function<void()>& steps)
{
    std::atomic<bool> done{false};
    std::thread hand([&] {
        steps();
        done = true;
    });
    pump_until([&] { return done.load(); }, 10000);
    hand.join();
    pump_messages(60);
}

inline void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Moves there (twice: without a window manager one warp may not report a
// move), presses and releases.
inline void click_at(int x, int y)
{
    run_input([x, y] {
        mouse_move_to(x - 1, y);
        pause_ms(40);
        mouse_move_to(x, y);
        pause_ms(40);
        mouse_button(true);
        pause_ms(40);
        mouse_button(false);
        pause_ms(40);
    });
}

inline void double_click_at(int x, int y)
{
    run_input([x, y] {
        mouse_move_to(x - 1, y);
        pause_ms(40);
        mouse_move_to(x, y);
        pause_ms(40);
        for (int i = 0; i < 2; ++i) {
            mouse_button(true);
            pause_ms(30);
            mouse_button(false);
            pause_ms(30);
        }
    });
    pump_messages(200);
}

// Moves the pointer there, twice, with a pause.
inline void hover_at(int x, int y)
{
    run_input([x, y] {
        mouse_move_to(x - 1, y);
        pause_ms(40);
        mouse_move_to(x, y);
        pause_ms(40);
    });
}

// A 32-bit top-down picture: pixel (x, y) is 0x00RRGGBB.
struct picture_t {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

inline uint32_t rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// A DIB section to draw into and read back.
class dib_t {
public:
    dib_t(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~dib_t()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    dib_t(const dib_t&) = delete;
    dib_t& operator=(const dib_t&) = delete;
    HDC dc() const { return dc_; }
    void fill(COLORREF colour)
    {
        HBRUSH b = CreateSolidBrush(colour);
        RECT r{0, 0, width_, height_};
        FillRect(dc_, &r, b);
        DeleteObject(b);
    }
    picture_t picture() const
    {
        GdiFlush();
        picture_t p;
        p.width = width_;
        p.height = height_;
        p.pixels.assign(bits_, bits_ + static_cast<size_t>(width_) * height_);
        return p;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// The window as the screen shows it, frame included (BitBlt from its window
// device context).
inline picture_t capture_window(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    dib_t dib(r.right - r.left, r.bottom - r.top);
    HDC dc = GetWindowDC(window);
    BitBlt(dib.dc(), 0, 0, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    return dib.picture();
}

// The first visible window of class `class_name` that the calling thread owns.
struct thread_window_search_t {
    const wchar_t* name;
    HWND found;
};

inline BOOL CALLBACK match_thread_window(HWND w, LPARAM l)
{
    auto* s = reinterpret_cast<thread_window_search_t*>(l);
    wchar_t name[64];
    if (GetClassNameW(w, name, 64) && lstrcmpW(name, s->name) == 0 && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

inline HWND find_thread_window(const wchar_t* class_name)
{
    thread_window_search_t search{class_name, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &match_thread_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs `action` on the first modal dialog that comes up on this thread, from
// inside its modal loop (a thread timer fires there).
class while_dialog_up_t {
public:
    explicit while_dialog_up_t(std::function<void(HWND)> action)
    {
        current() = this;
        action_ = std::move(action);
        timer_ = SetTimer(nullptr, 0, 50, &while_dialog_up_t::tick);
    }
    ~while_dialog_up_t()
    {
        if (timer_) KillTimer(nullptr, timer_);
        current() = nullptr;
    }
    bool ran() const { return ran_; }

private:
    static while_dialog_up_t*& current()
    {
        static while_dialog_up_t* instance = nullptr;
        return instance;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        while_dialog_up_t* self = current();
        if (!self || self->ran_) return;
        HWND dialog = find_thread_window(L"#32770");
        if (!dialog) return;
        self->ran_ = true;
        KillTimer(nullptr, self->timer_);
        self->timer_ = 0;
        self->action_(dialog);
    }

    std::function<void(HWND)> action_;
    UINT_PTR timer_ = 0;
    bool ran_ = false;
};

} // namespace tdu::test
