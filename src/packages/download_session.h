#pragma once
// A download session fetches one driver package, named by its download
// link, into the download folder on a transfer thread of its own. It
// survives pauses, resumes from the bytes on disk and tells the interface
// which of five states it is in. Sessions live in one process-wide list that
// owns them, so a transfer outlives the results row that started it and a
// new row for the same link finds it again.
//
// The interface thread alone changes the state (start, remove and the
// completion check); the transfer thread writes only the progress record.
#include "app/language_keys.h"
#include "common/text.h"
#include "common/worker.h"
#include "packages/download_naming.h"
#include "service/http_transfer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

enum download_state_t : int32_t {
    download_not_downloaded = 1,
    download_downloading = 2,
    download_paused = 3,
    download_failed = 4,
    download_complete = 5,
};

// Language keys of a state's status text and of the row button's label;
// the empty key (no text) for a value that is no state.
language_key_t download_status_text_key(download_state_t state);
language_key_t download_button_text_key(download_state_t state);

// Why a session's latest download did not give the package.
enum class download_failure_t {
    none,
    transfer,   // the connection failed or ended early; bytes on disk can be resumed
    not_found,  // the server answered 404 to the last attempt
    too_large,  // the server sent more bytes than the offer's size
    digest,     // the whole file arrived, but its SHA-256 is not the offered one; deleted
    disk,       // the file could not be written, or not moved to its final name
};

// What check_completion found.
enum class completion_t {
    no_transfer,  // no transfer thread was running
    running,      // the thread has not ended yet
    settled,      // the thread had ended; the state now says how
};

// What a session needs from outside besides its link: where downloads go,
// how threads are made, and the pause between failed attempts.
struct download_settings_t {
    u16 download_folder;
    thread_starter_c* threads = &system_threads();
    uint32_t retry_pause_ms = download_retry_pause_ms;
};

// The longest link a session downloads; a longer one is kept whole (so it
// shares no session with another) and fails when started.
constexpr size_t download_link_chars = 1024;

class download_session_c {
public:
    // Works out the file names and the starting state from the disk: the
    // temporary file means `paused` (with its size as the bytes done), else
    // the final file means `complete`, else `not_downloaded`.
    // A non-empty `expected_sha256` (64 lowercase hex digits) is the
    // package's digest the transfer is checked against.
    download_session_c(std::string_view link, uint32_t expected_size, const download_settings_t& settings,
                       std::string_view expected_sha256 = {});
    // A transfer still running is asked to stop and waited for.
    ~download_session_c();
    download_session_c(const download_session_c&) = delete;
    download_session_c& operator=(const download_session_c&) = delete;

    // Starts the transfer thread unless one runs; the transfer resumes from
    // the bytes in the temporary file (from 0 when there is none), and a
    // temporary file that holds every expected byte settles `complete`
    // without the network. True when a transfer runs afterwards. When the
    // system gives no thread, or the link is longer than
    // download_link_chars (result_code 3), the state becomes `failed` at
    // once, so the row offers to try again and never waits for a thread
    // that does not exist.
    bool start();
    // Asks the running transfer to stop; the state becomes `paused` once the
    // thread has ended.
    void request_pause();
    // Tests the thread without waiting and, when it has ended, settles the
    // state: `paused` after a pause request, `failed` after a transfer error
    // or with a size other than the expected one, else `complete` with the
    // temporary file moved to the final name.
    completion_t check_completion();
    // Deletes the temporary file in `paused` or `failed`, the final file in
    // `complete`; on success the session is `not_downloaded` with 0 bytes.
    // Other states delete nothing. False when nothing was deleted.
    bool remove_files();
    // A package found complete on disk was never checked. In `complete`
    // with an expected digest this hashes the final file on the calling
    // thread (the console's, never the interface's) and, when its digest is
    // not the expected one, deletes it: the session is then
    // `not_downloaded` with digest_mismatch() true until the next start.
    // False only when the file was not the offered package.
    bool verify_complete_package();

    const std::string& link() const { return link_; }
    const std::string& expected_sha256() const { return expected_sha256_; }
    // True when the last transfer ended with a package whose digest was not
    // the expected one: its file was deleted and the state is `failed`, so
    // that the resume button starts it afresh (a resumed transfer that
    // joined two versions of a republished package ends so).
    bool digest_mismatch() const { return digest_mismatch_; }
    // Why the session is `failed` (digest also in `not_downloaded` after
    // verify_complete_package deleted a wrong file); none otherwise.
    download_failure_t failure() const;
    download_state_t state() const { return state_; }
    bool transfer_running() const { return transfer_.held(); }
    uint32_t expected_size() const { return progress_->expected_size.load(); }
    uint32_t bytes_done() const { return progress_->bytes_done.load(); }
    int32_t http_status() const { return progress_->http_status.load(); }
    int32_t result_code() const { return progress_->result_code.load(); }
    const u16& temp_path() const { return temp_path_; }
    const u16& final_path() const { return final_path_; }
    const u16& download_folder() const { return download_folder_; }

private:
    std::string link_;
    std::string expected_sha256_;
    // Set by the transfer's job before it ends: the whole package arrived
    // and its digest is not the expected one. Hashing runs there, not on
    // the interface thread that settles the state.
    std::atomic<bool> transfer_digest_wrong_{false};
    bool digest_mismatch_ = false;
    u16 transfer_temp_path_;  // the transfer's copy of temp_path_
    // Shared with the transfer's worker, whose stop flag is its
    // stop_requested: a pause and shutdown stop the transfer alike.
    std::shared_ptr<transfer_progress_t> progress_ = std::make_shared<transfer_progress_t>();
    download_state_t state_ = download_not_downloaded;
    u16 temp_path_;
    u16 final_path_;
    u16 download_folder_;
    uint32_t retry_pause_ms_;
    worker_c transfer_;  // the running transfer, until its end is settled
};

// The process-wide list of sessions, in creation order. Sessions are only
// added; the list is emptied when the process ends.
class download_session_list_c {
public:
    // The session whose link equals `link` byte for byte, all of it; a new
    // one made from `link` and `expected_size` (appended to the list) when
    // there is none. The size is ignored for a session that exists.
    std::shared_ptr<download_session_c> find_or_create(std::string_view link, uint32_t expected_size,
                                                       std::string_view expected_sha256 = {});
    // True when any session is `downloading`; asked before quitting.
    bool any_downloading() const;
    // Stops and drops every session (at exit).
    void clear();

    // Set at start-up before the first session is made.
    download_settings_t settings;

private:
    std::vector<std::shared_ptr<download_session_c>> sessions_;
};

extern download_session_list_c download_sessions;

} // namespace tdu
