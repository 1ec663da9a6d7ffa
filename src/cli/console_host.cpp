#include "cli/console_host.h"

#include "app/language.h"

#include <cstdio>

namespace tdu {

box_result_t console_host_c::message_box(language_key_t key, box_style_t style)
{
    return message_box_text(language_text(key), style);
}

box_result_t console_host_c::message_box_text(u16view text, box_style_t style)
{
    last_box_text_ = u16(text);
    if (echo_) {
        std::FILE* to = style == box_style_t::information ? stdout : stderr;
        std::fprintf(to, "%s\n", utf16_to_utf8(text).c_str());
        std::fflush(to);
    }
    return answer_;
}

void console_host_c::finished(std::shared_ptr<const scan_outcome_t> result)
{
    ended_ = true;
    finished_ = true;
    result_ = std::move(result);
}

} // namespace tdu
