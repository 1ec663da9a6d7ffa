#pragma once
// Recording stand-ins for the shell and the thread starter (the row's window
// is the tests' run host, support/recording_host.h).
#include "common/text.h"
#include "common/thread_start.h"
#include "packages/process_run.h"
#include "packages/shell.h"
#include "support/recording_host.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace tdu::test {

// Records every shell call; safe to call from workers.
class recording_shell_c final : public shell_c {
public:
    struct call_t {
        u16 file;
        u16 parameters;
    };
    bool admin = true;
    bool starts = true;  // what execute answers: false as for a file the shell cannot open

    bool execute(u16view file, u16view parameters) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back({u16(file), u16(parameters)});
        return starts;
    }
    bool is_user_an_admin() override { return admin; }
    std::vector<call_t> calls()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    // The calls as "file|parameters" lines, for compact comparisons.
    std::vector<std::string> lines()
    {
        std::vector<std::string> out;
        for (const auto& c : calls()) out.push_back(utf16_to_utf8(c.file) + "|" + utf16_to_utf8(c.parameters));
        return out;
    }

private:
    std::mutex mutex_;
    std::vector<call_t> calls_;
};

// Records every program it is asked to run and answers as set: ended with
// `exit_code`, or not started, or still running when the wait ran out.
class recording_processes_c final : public process_runner_c {
public:
    process_end_t end = process_end_t::ended;
    uint32_t exit_code = 0;

    process_result_t run_and_wait(u16view program, u16view arguments, uint32_t wait_ms) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(utf16_to_utf8(program) + "|" + utf16_to_utf8(arguments));
        waits_.push_back(wait_ms);
        return {end, exit_code};
    }
    // The runs as "program|arguments" lines.
    std::vector<std::string> lines()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::vector<uint32_t> waits()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return waits_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::vector<uint32_t> waits_;
};

// A starter that makes no threads, as a system out of resources would.
class refusing_threads_c final : public thread_starter_c {
public:
    int refused = 0;
    bool start(std::function<void()>) override
    {
        ++refused;
        return false;
    }
};

} // namespace tdu::test
