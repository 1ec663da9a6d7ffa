#include "ui/model/update_check_model.h"

#include "app/language.h"
#include "app/language_format.h"
#include "app/language_keys.h"

namespace tdu {

namespace {

constexpr int64_t clock_slack = 24 * 60 * 60;
constexpr size_t notice_chars = 255;

} // namespace

bool update_check_due(int32_t setting, int64_t last_check, int64_t now)
{
    if (setting == 0) return false;
    if (last_check <= 0) return true;
    if (last_check > now + clock_slack) return true;
    return now - last_check >= update_check_interval;
}

bool update_check_answered(update_outcome_t outcome)
{
    return outcome == update_outcome_t::up_to_date || outcome == update_outcome_t::newer_available;
}

u16 update_notice_text(const language_table_t& language, const update_result_t& result)
{
    if (result.outcome != update_outcome_t::newer_available) return {};
    if (compare_program_versions(result.offered.version, result.installed) <= 0) return {};
    return format_language_text(language_text(language, lang::update_notice),
                                {ascii_to_utf16(program_version_text(result.offered.version))}, notice_chars);
}

} // namespace tdu
