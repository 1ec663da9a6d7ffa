#include "cli/json_writer.h"

#include <cstdio>

namespace tdu {

std::string json_quote(std::string_view utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void json_writer_c::new_line()
{
    out_ += '\n';
    out_.append(2 * empty_.size(), ' ');
}

void json_writer_c::before_value()
{
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (empty_.empty()) return;
    if (!empty_.back()) out_ += ',';
    empty_.back() = false;
    new_line();
}

void json_writer_c::open(char bracket)
{
    before_value();
    out_ += bracket;
    empty_.push_back(true);
}

void json_writer_c::close(char bracket)
{
    bool was_empty = empty_.back();
    empty_.pop_back();
    if (!was_empty) new_line();
    out_ += bracket;
}

void json_writer_c::begin_object() { open('{'); }
void json_writer_c::end_object() { close('}'); }
void json_writer_c::begin_array() { open('['); }
void json_writer_c::end_array() { close(']'); }

void json_writer_c::key(std::string_view name)
{
    before_value();
    out_ += json_quote(name);
    out_ += ": ";
    after_key_ = true;
}

void json_writer_c::string(std::string_view utf8)
{
    before_value();
    out_ += json_quote(utf8);
}

void json_writer_c::string(u16view text) { string(utf16_to_utf8(text)); }

void json_writer_c::number(int64_t value)
{
    before_value();
    out_ += std::to_string(value);
}

void json_writer_c::boolean(bool value)
{
    before_value();
    out_ += value ? "true" : "false";
}

void json_writer_c::null()
{
    before_value();
    out_ += "null";
}

void json_writer_c::text_member(std::string_view name, std::string_view utf8)
{
    key(name);
    string(utf8);
}

void json_writer_c::text_member(std::string_view name, u16view text)
{
    key(name);
    string(text);
}

void json_writer_c::number_member(std::string_view name, int64_t value)
{
    key(name);
    number(value);
}

void json_writer_c::bool_member(std::string_view name, bool value)
{
    key(name);
    boolean(value);
}

} // namespace tdu
