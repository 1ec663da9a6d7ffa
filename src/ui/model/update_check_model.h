#pragma once
// The window program's weekly look for a newer version of itself, decided
// without a window: whether a scan that just ended is followed by a look,
// whether the look's result counts as the week's look, and what the
// results view's header says about it. The program never updates itself
// from here: the header's text, clicked, opens the updater, which asks.
#include "common/text.h"
#include "packages/program_update.h"

#include <cstdint>

namespace tdu {

struct language_table_t;

constexpr int64_t update_check_interval = 7 * 24 * 60 * 60;

// Due when the setting is on (not 0) and the last look (seconds since 1970,
// 0 never) is a week or more before `now`, or lies more than a day after
// it: a clock that was set back would otherwise put the next look off
// until it caught up again.
bool update_check_due(int32_t setting, int64_t last_check, int64_t now);

// A look that got a valid answer (up to date or newer) is the week's look;
// a failure (the service down, a refused document, an unreadable version)
// is not, so the next scan looks again.
bool update_check_answered(update_outcome_t outcome);

// The header's text after a look: "version X is available" for a newer
// version; empty for everything else, failures included (a look the user
// did not ask for never bothers them with its failure).
u16 update_notice_text(const language_table_t& language, const update_result_t& result);

} // namespace tdu
