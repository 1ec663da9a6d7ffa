#include "packages/program_update.h"

namespace tdu {

int update_exit_code(update_outcome_t outcome)
{
    switch (outcome) {
    case update_outcome_t::up_to_date: return 0;
    case update_outcome_t::installed: return 0;
    case update_outcome_t::newer_available: return 10;
    case update_outcome_t::service_unreachable: return 20;
    case update_outcome_t::document_refused: return 21;
    case update_outcome_t::version_unknown: return 22;
    case update_outcome_t::download_failed: return 23;
    case update_outcome_t::setup_mismatch: return 24;
    case update_outcome_t::program_busy: return 25;
    case update_outcome_t::setup_failed: return 26;
    }
    return 1;
}

const char* update_outcome_text(update_outcome_t outcome)
{
    switch (outcome) {
    case update_outcome_t::up_to_date: return "the program is up to date";
    case update_outcome_t::newer_available: return "a newer version is available";
    case update_outcome_t::installed: return "the newer version was installed";
    case update_outcome_t::service_unreachable: return "the update service cannot be reached";
    case update_outcome_t::document_refused:
        return "the update service's version document was refused (not signed, or not validly)";
    case update_outcome_t::version_unknown: return "the installed program's version cannot be read";
    case update_outcome_t::download_failed: return "the download of the setup did not complete";
    case update_outcome_t::setup_mismatch:
        return "the downloaded setup is not the one the service signed (size or digest differ)";
    case update_outcome_t::program_busy: return "the program did not close";
    case update_outcome_t::setup_failed: return "the setup did not install the newer version";
    }
    return "?";
}

update_result_t check_for_update(program_check_actions_i& actions, std::string_view arch,
                                 const std::vector<answer_key_t>& keys)
{
    update_result_t r;
    actions.step(update_step_t::checking);
    if (!actions.installed_version(r.installed)) {
        r.outcome = update_outcome_t::version_unknown;
        return r;
    }
    std::string body, signature;
    if (!actions.fetch_document(body, signature, r.detail)) {
        r.outcome = update_outcome_t::service_unreachable;
        return r;
    }
    program_document_check_t check = verify_program_document(signature, body, arch, actions.now(), keys);
    if (check.verdict != program_document_verdict_t::valid) {
        r.outcome = update_outcome_t::document_refused;
        r.detail = program_document_verdict_name(check.verdict);
        if (check.verdict == program_document_verdict_t::signature)
            r.detail += std::string(": ") + signature_verdict_name(check.signature);
        if (!check.error.empty()) r.detail += ": " + check.error;
        return r;
    }
    r.offered = check.document;
    int order = compare_program_versions(r.offered.version, r.installed);
    r.outcome = order > 0 ? update_outcome_t::newer_available : update_outcome_t::up_to_date;
    if (order < 0)
        r.detail = "the service offers the older version " + program_version_text(r.offered.version) +
                   "; it is not installed";
    return r;
}

update_result_t install_update(update_actions_i& actions, const update_result_t& checked)
{
    update_result_t r = checked;
    r.detail.clear();
    auto fail = [&r](update_outcome_t outcome) {
        r.outcome = outcome;
        return r;
    };
    // Only a newer version than the one installed is ever installed.
    if (checked.outcome != update_outcome_t::newer_available ||
        compare_program_versions(checked.offered.version, checked.installed) <= 0)
        return checked;

    actions.step(update_step_t::downloading);
    u16 path;
    switch (actions.download_setup(r.offered, path, r.detail)) {
    case setup_download_t::complete: break;
    case setup_download_t::cut: return fail(update_outcome_t::download_failed);
    case setup_download_t::disk: return fail(update_outcome_t::download_failed);
    case setup_download_t::refused: return fail(update_outcome_t::setup_mismatch);
    }

    // The file is read again as it lies now, whoever wrote it: a setup left
    // complete by an earlier run was never checked.
    actions.step(update_step_t::verifying);
    uint64_t size = 0;
    std::string sha256;
    if (!actions.file_facts(path, size, sha256)) {
        r.detail = "the downloaded setup cannot be read";
        return fail(update_outcome_t::download_failed);
    }
    if (size != r.offered.size || sha256 != r.offered.sha256) {
        r.detail = "got " + std::to_string(size) + " bytes with SHA-256 " + sha256 + ", signed " +
                   std::to_string(r.offered.size) + " bytes with SHA-256 " + r.offered.sha256;
        actions.discard_setup(path);
        return fail(update_outcome_t::setup_mismatch);
    }

    actions.step(update_step_t::closing_program);
    close_answer_t closing = actions.close_program();
    if (closing == close_answer_t::busy) {
        r.detail = "the program is busy (a download, installation, backup or scan runs, or a dialog is open)";
        return fail(update_outcome_t::program_busy);
    }
    if (closing == close_answer_t::no_answer) {
        r.detail = "the program did not answer the request to close";
        return fail(update_outcome_t::program_busy);
    }

    actions.step(update_step_t::installing);
    int status = actions.run_setup(path, r.detail);
    program_version_t now_installed;
    bool updated = status == 0 && actions.installed_version(now_installed) &&
                   compare_program_versions(now_installed, r.offered.version) == 0;
    if (!updated) {
        if (status > 0) r.detail = "the setup ended with exit status " + std::to_string(status);
        else if (status == 0) r.detail = "the setup ended without installing version " +
                                         program_version_text(r.offered.version);
        // The program closed for the update runs again, as it was.
        std::string ignored;
        if (closing == close_answer_t::closed) actions.start_program(ignored);
        return fail(update_outcome_t::setup_failed);
    }
    actions.discard_setup(path);

    actions.step(update_step_t::starting_program);
    std::string error;
    if (!actions.start_program(error)) {
        r.start_failed = true;
        r.detail = error;
    }
    r.outcome = update_outcome_t::installed;
    return r;
}

} // namespace tdu
