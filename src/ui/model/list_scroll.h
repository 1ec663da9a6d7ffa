#pragma once
// The scrolling arithmetic of the panel list: where a scroll message, the
// wheel or a resize leaves the scroll position.
namespace tdu {

// Scroll-bar request codes (the values of SB_LINEUP .. SB_THUMBTRACK).
enum scroll_code_t : int {
    scroll_line_up = 0,
    scroll_line_down = 1,
    scroll_page_up = 2,
    scroll_page_down = 3,
    scroll_thumb_position = 4,
    scroll_thumb_track = 5,
};

// Pixels a line request moves.
constexpr int scroll_line_pixels = 10;

// The position clamped to 0 .. content - page; 0 when everything fits.
int clamp_scroll(int position, int content_height, int page_height);
// Whether the list has anything to scroll.
bool list_can_scroll(int content_height, int page_height);
// The position a scroll-bar request asks for (not yet clamped); other codes
// keep the position. `track` is the scroll bar's tracking position.
int scroll_request(int code, int position, int page_height, int track);
// The position after a wheel turn of `delta` (120 per notch moves 15 pixels
// up for a turn away from the user), clamped; unchanged when everything fits.
int scroll_wheel(int position, int delta, int content_height, int page_height);

} // namespace tdu
