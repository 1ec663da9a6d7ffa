#include "ui/model/update_window_model.h"

#include "app/language.h"
#include "app/language_format.h"
#include "system/byte_size.h"

namespace tdu {

namespace {

constexpr size_t view_text_chars = 511;

u16 version_of(const program_version_t& v)
{
    return ascii_to_utf16(program_version_text(v));
}

} // namespace

language_key_t update_outcome_key(update_outcome_t outcome)
{
    switch (outcome) {
    case update_outcome_t::up_to_date: return lang::update_up_to_date;
    case update_outcome_t::newer_available: return lang::update_offer;
    case update_outcome_t::installed: return lang::update_installed;
    case update_outcome_t::service_unreachable: return lang::update_fail_service;
    case update_outcome_t::document_refused: return lang::update_fail_document;
    case update_outcome_t::version_unknown: return lang::update_fail_version;
    case update_outcome_t::download_failed: return lang::update_fail_download;
    case update_outcome_t::setup_mismatch: return lang::update_fail_mismatch;
    case update_outcome_t::program_busy: return lang::update_fail_busy;
    case update_outcome_t::setup_failed: return lang::update_fail_setup;
    }
    return lang::update_fail_setup;
}

update_view_t update_window_view(const language_table_t& language, update_phase_t phase,
                                 const update_result_t& result, update_step_t step, uint32_t bytes_done,
                                 uint32_t expected)
{
    update_view_t view;
    if (phase == update_phase_t::checking) {
        view.text = language_text(language, lang::update_checking);
        return view;
    }
    if (phase == update_phase_t::installing) {
        switch (step) {
        case update_step_t::checking:
        case update_step_t::downloading:
            view.progress_shown = true;
            view.progress = expected ? static_cast<float>(bytes_done > expected ? expected : bytes_done) /
                                           static_cast<float>(expected)
                                     : 0.0f;
            view.text = format_language_text(language_text(language, lang::update_downloading),
                                             {format_byte_size(bytes_done), format_byte_size(expected)},
                                             view_text_chars);
            return view;
        case update_step_t::verifying:
            view.text = language_text(language, lang::update_verifying);
            return view;
        case update_step_t::closing_program:
            view.close_enabled = false;
            view.text = language_text(language, lang::update_closing);
            return view;
        case update_step_t::installing:
        case update_step_t::starting_program:
            view.close_enabled = false;
            view.text = language_text(language, lang::update_installing);
            return view;
        }
    }
    const u16& format = language_text(language, update_outcome_key(result.outcome));
    switch (result.outcome) {
    case update_outcome_t::up_to_date:
        view.text = format_language_text(format, {version_of(result.installed)}, view_text_chars);
        break;
    case update_outcome_t::newer_available:
        view.text = format_language_text(format,
                                         {version_of(result.offered.version),
                                          format_byte_size(static_cast<int64_t>(result.offered.size)),
                                          version_of(result.installed)},
                                         view_text_chars);
        // Only a check offers it; after a finished update there is nothing to press.
        view.install_button = phase == update_phase_t::checked;
        break;
    case update_outcome_t::installed:
        view.text = format_language_text(format, {version_of(result.offered.version)}, view_text_chars);
        break;
    default:
        view.text = format;
        break;
    }
    return view;
}

} // namespace tdu
