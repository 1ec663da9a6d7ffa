#pragma once
// What the download and installation actions ask of the window that shows a
// results row: message boxes with language texts, the row's progress timer
// and redrawing. The results view implements it; tests record it.
namespace tdu {

// Message box styles and results of the program's message box.
constexpr int box_style_ok = 2;
constexpr int box_style_yes_no = 3;
constexpr int box_closed = 0;  // closed with the caption button: counts as No / Cancel
constexpr int box_first = 1;   // OK / Yes
constexpr int box_second = 2;  // No

class message_host_t {
public:
    virtual ~message_host_t() = default;
    // Shows the interface text of `key` in the message box of `style` and
    // returns which button closed it.
    virtual int message_box(const char* key, int style) = 0;
};

class row_host_t : public message_host_t {
public:
    // The row's progress timer (id 2, every 200 ms).
    virtual void start_timer() = 0;
    virtual void stop_timer() = 0;
    virtual void redraw() = 0;
};

} // namespace tdu
