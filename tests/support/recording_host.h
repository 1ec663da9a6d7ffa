#pragma once
// The tests' one implementation of the run host: records every box, timer
// change, repaint and outcome, and answers boxes from a script.
#include "app/run_host.h"
#include "common/text.h"
#include "devices/device.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tdu::test {

class recording_host_c final : public run_host_c {
public:
    // Every box as "<key or text>/<style number>".
    std::vector<std::string> boxes;
    // Answers in order; `otherwise` once they are used up.
    std::deque<box_result_t> answers;
    box_result_t otherwise = box_result_t::accepted;
    // Runs inside a box, where a real modal box would dispatch timer ticks.
    std::function<void()> while_box_open;

    int timer_starts = 0;
    int timer_stops = 0;
    bool timer_running = false;
    int redraws = 0;
    // "finished <nodes>", "show_home", "retry", in order.
    std::vector<std::string> outcomes;
    // The results handed over by "finished", in order.
    std::vector<std::shared_ptr<const scan_outcome_t>> results;

    box_result_t message_box(language_key_t key, box_style_t style) override { return box(key.name, style); }
    box_result_t message_box_text(u16view text, box_style_t style) override
    {
        return box(utf16_to_utf8(text), style);
    }
    void start_timer() override
    {
        ++timer_starts;
        timer_running = true;
    }
    void stop_timer() override
    {
        ++timer_stops;
        timer_running = false;
    }
    void redraw() override { ++redraws; }
    void finished(std::shared_ptr<const scan_outcome_t> result) override
    {
        outcomes.push_back("finished " + std::to_string(result ? result->device_nodes : 0));
        results.push_back(std::move(result));
    }
    void show_home() override { outcomes.push_back("show_home"); }
    void retry() override { outcomes.push_back("retry"); }

private:
    box_result_t box(const std::string& text, box_style_t style)
    {
        boxes.push_back(text + "/" + std::to_string(static_cast<int>(style)));
        if (while_box_open) while_box_open();
        if (answers.empty()) return otherwise;
        box_result_t answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace tdu::test
