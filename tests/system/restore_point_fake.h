#pragma once
// A recording System Restore for the native tests.
#include "common/text.h"
#include "system/restore_point.h"

#include <mutex>
#include <string>
#include <vector>

namespace tdu::test {

class recording_restore_point_c final : public restore_point_c {
public:
    bool begins = true;  // false: System Restore makes none (off, missing)

    restore_point_begin_t begin(u16view description) override
    {
        note("begin " + utf16_to_utf8(description));
        restore_point_begin_t result;
        result.made = begins;
        result.sequence = begins ? 7 : 0;
        result.status = begins ? 0 : 1058;
        return result;
    }
    bool end(int64_t sequence, bool cancelled) override
    {
        note("end " + std::to_string(sequence) + (cancelled ? " cancelled" : " installed"));
        return true;
    }
    void note(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
    }
    std::vector<std::string> lines()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace tdu::test
