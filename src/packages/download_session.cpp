#include "packages/download_session.h"

#include "common/files.h"
#include "common/last_error.h"
#include "common/sha256.h"

#include <limits>

namespace tdu {

download_session_list_c download_sessions;

namespace {

// A file's size as the progress record counts it; 0 when it cannot be read.
uint32_t size_on_disk(u16view path, bool& exists)
{
    uint64_t size = 0;
    exists = path_exists(path);
    if (!exists || !file_size(path, size)) return 0;
    return size > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(size);
}

} // namespace

language_key_t download_status_text_key(download_state_t state)
{
    switch (state) {
    case download_not_downloaded: return lang::download_not_download;
    case download_downloading: return lang::download_downloading;
    case download_paused: return lang::download_download_paused;
    case download_failed: return lang::download_download_error;
    case download_complete: return lang::download_download_complete;
    default: return lang::no_key;
    }
}

language_key_t download_button_text_key(download_state_t state)
{
    switch (state) {
    case download_not_downloaded: return lang::download_btn_download;
    case download_downloading: return lang::download_btn_pause;
    case download_paused: return lang::download_btn_resume;
    case download_failed: return lang::download_btn_resume;
    case download_complete: return lang::download_btn_setup;
    default: return lang::no_key;
    }
}

download_session_c::download_session_c(std::string_view link, uint32_t expected_size,
                                       const download_settings_t& settings, std::string_view expected_sha256)
    : link_(link),
      expected_sha256_(expected_sha256),
      download_folder_(settings.download_folder),
      retry_pause_ms_(settings.retry_pause_ms),
      transfer_(*settings.threads)
{
    progress_->expected_size = expected_size;
    download_names_t names = download_names(link_, download_folder_);
    temp_path_ = names.temp_path;
    final_path_ = names.final_path;
    // The transfer writes to a copy of its own, so nothing it reads changes
    // under it. A path too long for the system is kept whole (it then fails
    // to open) rather than cut into the name of another file.
    transfer_temp_path_ = temp_path_;

    bool exists = false;
    uint32_t size = size_on_disk(temp_path_, exists);
    if (exists) {
        state_ = download_paused;
        progress_->bytes_done = size;
        return;
    }
    size = size_on_disk(final_path_, exists);
    if (exists) {
        state_ = download_complete;
        progress_->bytes_done = size;
        return;
    }
    state_ = download_not_downloaded;
}

download_session_c::~download_session_c()
{
    // The transfer reads the link and the path of this object.
    transfer_.request_stop();
    transfer_.wait();
}

bool download_session_c::start()
{
    if (transfer_.held()) return true;
    // A link the transfer cannot take whole fails at once, without a thread,
    // rather than being cut into the address of something else.
    if (link_.size() > download_link_chars) {
        progress_->stop_requested = 0;
        progress_->http_status = 0;
        progress_->result_code = CURLE_URL_MALFORMAT;
        state_ = download_failed;
        return false;
    }

    // Resume from what is on disk. Without a temporary file the transfer
    // starts from 0: resuming at an old offset would append the rest of the
    // package to an empty file and pass its size check.
    bool exists = false;
    uint32_t size = size_on_disk(temp_path_, exists);
    if (size > 0)
        progress_->bytes_done = size;
    else if (!exists)
        progress_->bytes_done = 0;

    progress_->stop_requested = 0;
    progress_->result_code = 0;
    progress_->http_status = 0;
    progress_->file_error = 0;
    transfer_digest_wrong_ = false;
    digest_mismatch_ = false;

    transfer_progress_t& progress = *progress_;
    std::shared_ptr<stop_flag_t> stop(progress_, &progress_->stop_requested);
    // The package is hashed on the transfer's thread, not on the interface's.
    auto job = [this, &progress](const stop_flag_t&) {
        int32_t result = download_with_retries(link_, transfer_temp_path_.c_str(), progress, retry_pause_ms_);
        bool whole = progress.stop_requested.load() == 0 && progress.result_code.load() == 0 &&
                     progress.bytes_done.load() == progress.expected_size.load();
        std::string digest;
        transfer_digest_wrong_ = whole && !expected_sha256_.empty() &&
                                 (!sha256_file_hex(transfer_temp_path_, digest) || digest != expected_sha256_);
        return result;
    };
    if (!transfer_.start(job, stop)) {
        state_ = download_failed;
        return false;
    }
    state_ = download_downloading;
    return true;
}

void download_session_c::request_pause()
{
    progress_->stop_requested = 1;
}

completion_t download_session_c::check_completion()
{
    if (!transfer_.held()) return completion_t::no_transfer;
    // The transfer's own answer is in the progress record.
    if (!transfer_.take_result()) return completion_t::running;

    if (progress_->stop_requested.load() != 0) {
        state_ = download_paused;
        progress_->stop_requested = 0;
    } else if (progress_->result_code.load() != 0 || progress_->bytes_done.load() != progress_->expected_size.load()) {
        state_ = download_failed;
    } else if (transfer_digest_wrong_.load()) {
        // Not the package the service described: nothing of it is kept.
        remove_file(temp_path_.c_str());
        progress_->bytes_done = 0;
        digest_mismatch_ = true;
        state_ = download_failed;
    } else if (move_file(temp_path_, final_path_)) {
        state_ = download_complete;
    } else {
        // The package is whole but not where the installation looks for it.
        state_ = download_failed;
    }
    return completion_t::settled;
}

download_failure_t download_session_c::failure() const
{
    if (digest_mismatch_) return download_failure_t::digest;
    if (state_ != download_failed) return download_failure_t::none;
    const int32_t file_error = progress_->file_error.load();
    if (file_error == error_download_too_large) return download_failure_t::too_large;
    if (progress_->http_status.load() == 404) return download_failure_t::not_found;
    if (file_error == error_download_open || file_error == error_download_write) return download_failure_t::disk;
    // A clean, whole transfer that still failed: the move to the final name.
    if (progress_->result_code.load() == 0 && progress_->expected_size.load() > 0 &&
        progress_->bytes_done.load() == progress_->expected_size.load())
        return download_failure_t::disk;
    return download_failure_t::transfer;
}

bool download_session_c::remove_files()
{
    const u16* target = nullptr;
    if (state_ == download_paused || state_ == download_failed)
        target = &temp_path_;
    else if (state_ == download_complete)
        target = &final_path_;
    if (!target || !remove_file(target->c_str())) return false;
    progress_->bytes_done = 0;
    state_ = download_not_downloaded;
    return true;
}

bool download_session_c::verify_complete_package()
{
    if (state_ != download_complete || expected_sha256_.empty()) return true;
    std::string digest;
    if (sha256_file_hex(final_path_, digest) && digest == expected_sha256_) return true;
    // Not the package the service describes (or unreadable): like the end of
    // a transfer with the wrong digest, nothing of it is kept.
    remove_file(final_path_.c_str());
    progress_->bytes_done = 0;
    digest_mismatch_ = true;
    state_ = download_not_downloaded;
    return false;
}

std::shared_ptr<download_session_c> download_session_list_c::find_or_create(std::string_view link,
                                                                            uint32_t expected_size,
                                                                            std::string_view expected_sha256)
{
    for (const auto& s : sessions_) {
        if (s->link() == link) return s;
    }
    sessions_.push_back(std::make_shared<download_session_c>(link, expected_size, settings, expected_sha256));
    return sessions_.back();
}

bool download_session_list_c::any_downloading() const
{
    for (const auto& s : sessions_) {
        if (s->state() == download_downloading) return true;
    }
    return false;
}

void download_session_list_c::clear()
{
    sessions_.clear();
}

} // namespace tdu
