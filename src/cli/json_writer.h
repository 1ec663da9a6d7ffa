#pragma once
// A small JSON writer for the console front end's --json output: objects,
// arrays, UTF-8 strings, integers, booleans and null, two spaces per level.
#include "common/text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

class json_writer_c {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    // The name of the next member of the current object.
    void key(std::string_view name);

    void string(std::string_view utf8);
    void string(u16view text);
    void number(int64_t value);
    void boolean(bool value);
    void null();

    // A member of the current object: its key and value in one call.
    void text_member(std::string_view name, std::string_view utf8);
    void text_member(std::string_view name, u16view text);
    void number_member(std::string_view name, int64_t value);
    void bool_member(std::string_view name, bool value);

    // The document so far; complete once every object and array is ended.
    const std::string& text() const { return out_; }

private:
    void before_value();
    void open(char bracket);
    void close(char bracket);
    void new_line();

    std::string out_;
    std::vector<bool> empty_;  // per open container: nothing written into it yet
    bool after_key_ = false;
};

// `utf8` as a JSON string with its quotes: '"', '\' and the control
// characters escaped.
std::string json_quote(std::string_view utf8);

} // namespace tdu
