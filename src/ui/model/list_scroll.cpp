#include "ui/model/list_scroll.h"

#include <algorithm>

namespace tdu {

int clamp_scroll(int position, int content_height, int page_height)
{
    // The last position shows the content's bottom at the page's bottom; no
    // further, and never below 0 when the content is shorter than the page.
    int last = std::max(0, content_height - page_height);
    return std::clamp(position, 0, last);
}

bool list_can_scroll(int content_height, int page_height) { return page_height < content_height; }

int scroll_request(int code, int position, int page_height, int track)
{
    switch (code) {
    case scroll_line_up: return position - scroll_line_pixels;
    case scroll_line_down: return position + scroll_line_pixels;
    case scroll_page_up: return position - page_height;
    case scroll_page_down: return position + page_height;
    case scroll_thumb_position:
    case scroll_thumb_track: return track;
    default: return position;
    }
}

int scroll_wheel(int position, int delta, int content_height, int page_height)
{
    if (!list_can_scroll(content_height, page_height)) return position;
    return clamp_scroll(position + delta / -8, content_height, page_height);
}

} // namespace tdu
