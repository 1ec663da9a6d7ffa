#pragma once
// The updater's course, free of any window or platform call: ask the update
// service for the newest program version of this architecture, check the
// signed document, compare it with the installed program's version, and on
// request download the setup, check its size and digest, ask the running
// program to close, run the setup and start the program again.
//
// Every step the outside world takes goes through update_actions_i: the
// Win32 back end of update.exe does the real thing, tests record and
// script. Each bad case ends with its own outcome and leaves the installed
// program as it was: nothing is run before the setup's bytes are the signed
// ones and the program has closed, and a program that was closed for a
// setup that then failed is started again.
#include "common/text.h"
#include "service/program_document.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

enum class update_outcome_t : int32_t {
    up_to_date,           // the service offers no newer version (equal or older: never a downgrade)
    newer_available,      // a check found a newer version
    installed,            // the newer version was installed
    service_unreachable,  // no mirror answered the version document
    document_refused,     // unsigned, wrongly signed, expired, for the other architecture, unreadable
    version_unknown,      // the installed program's version cannot be read
    download_failed,      // the download was cut off or not served (the bytes on disk are kept for a resume)
    setup_mismatch,       // the downloaded setup's size or digest is not the signed one (deleted)
    program_busy,         // the running program refused to close, or did not close in time
    setup_failed,         // the setup could not start, failed, or left the old version in place
};

// The exit status of update.exe for an outcome: 0 up to date or installed,
// 10 a newer version available (--check), 20 and above a failure:
//   20 service unreachable   21 document refused   22 installed version unknown
//   23 download failed       24 setup mismatch     25 program busy
//   26 setup failed
int update_exit_code(update_outcome_t outcome);
// One line of English for the console and logs.
const char* update_outcome_text(update_outcome_t outcome);

// The steps reported while an update runs.
enum class update_step_t : int32_t {
    checking,
    downloading,
    verifying,
    closing_program,
    installing,
    starting_program,
};

// What a download of the setup gave.
enum class setup_download_t : int32_t {
    complete,  // every byte is in the file
    cut,       // the transfer failed or ended early: the bytes so far are kept
    refused,   // the server sent more than the size, or bytes whose digest is wrong: deleted
    disk,      // the file could not be written
};

// What the running program answered when asked to close.
enum class close_answer_t : int32_t {
    not_running,  // it was not running
    closed,       // it closed
    busy,         // it refused: a download, installation, backup or scan runs, or a dialog is open
    no_answer,    // it did not answer, or did not end in time
};

// What a check needs (update.exe's, and the window program's weekly look).
class program_check_actions_i {
public:
    virtual ~program_check_actions_i() = default;
    // The version of the installed program (the version resource of the
    // program beside the updater); false when it cannot be read.
    virtual bool installed_version(program_version_t& out) = 0;
    // Fetches the version document: its body and the value of its
    // signature header (empty when absent). False when no mirror answered
    // with it (a connection failure or an HTTP error), with `error`.
    virtual bool fetch_document(std::string& body, std::string& signature, std::string& error) = 0;
    // Seconds since 1970 UTC.
    virtual int64_t now() = 0;
    virtual void step(update_step_t step) = 0;
};

// What an update needs besides.
class update_actions_i : public program_check_actions_i {
public:
    // Downloads the setup of `doc`, resuming what an earlier run left, and
    // waits for the end. `path` is the file's path when complete.
    virtual setup_download_t download_setup(const program_document_t& doc, u16& path, std::string& error) = 0;
    // The size and SHA-256 of a file as it lies on disk; false when it
    // cannot be read.
    virtual bool file_facts(const u16& path, uint64_t& size, std::string& sha256) = 0;
    virtual void discard_setup(const u16& path) = 0;
    // Asks the running program to close and waits for its end.
    virtual close_answer_t close_program() = 0;
    // Runs the setup silently in the program's language and folder and
    // waits for it: its exit status, or -1 when it could not be started.
    virtual int run_setup(const u16& path, std::string& error) = 0;
    virtual bool start_program(std::string& error) = 0;
};

struct update_result_t {
    update_outcome_t outcome = update_outcome_t::up_to_date;
    program_version_t installed;    // the installed version before the update
    program_document_t offered;     // the document, when one was accepted
    // Whose word an outcome rests on, for messages: the document's verdict,
    // the transfer's error, the setup's exit status, ...
    std::string detail;
    // After `installed`: the updated program could not be started (detail says why).
    bool start_failed = false;
};

// The check: installed version, document, signature, version comparison.
// newer_available only for a document offering a higher version.
update_result_t check_for_update(program_check_actions_i& actions, std::string_view arch,
                                 const std::vector<answer_key_t>& keys);

// The update after a check that found a newer version (`checked`):
// download, size and digest, closing the program, the setup, and the start.
update_result_t install_update(update_actions_i& actions, const update_result_t& checked);

} // namespace tdu
