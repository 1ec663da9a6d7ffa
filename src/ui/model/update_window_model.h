#pragma once
// What the updater's window shows, decided without a window: its text, which
// buttons it offers, and the progress bar, from the phase it is in and what
// the updater's course reported.
#include "app/language_keys.h"
#include "common/text.h"
#include "packages/program_update.h"

#include <cstdint>

namespace tdu {

struct language_table_t;

enum class update_phase_t {
    checking,    // the check runs
    checked,     // the check ended (up to date, newer offered, or failed)
    installing,  // Yes was pressed: the update runs
    finished,    // the update ended
};

struct update_view_t {
    u16 text;
    bool install_button = false;   // "Update now": only with a newer version offered
    bool close_enabled = true;     // the setup runs: closing would leave it without its last step
    bool progress_shown = false;   // the download's bar
    float progress = 0.0f;         // its share done, 0 to 1
};

// The language key of an outcome's text (the failures' and the final ones).
language_key_t update_outcome_key(update_outcome_t outcome);

// `result` is the check's or the update's result (phases checked and
// finished); `step`, `bytes_done` and `expected` the running course's report.
update_view_t update_window_view(const language_table_t& language, update_phase_t phase,
                                 const update_result_t& result, update_step_t step, uint32_t bytes_done,
                                 uint32_t expected);

} // namespace tdu
