#pragma once
// The Win32 back end of the updater's course (packages/program_update.h):
// the program's version resource, the update service over the program's
// own HTTP and download code, the running program asked to close through
// its main window, the setup run silently and the program started.
//
// update.exe lies in the folder "update" of the program's folder; the
// program it updates is TavrillDriverUpdater.exe in the folder above.
#include "common/text.h"
#include "packages/program_update.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace tdu {

// What a window reads while the course runs on its worker.
struct update_progress_t {
    std::atomic<int32_t> step{static_cast<int32_t>(update_step_t::checking)};
    std::atomic<uint32_t> bytes_done{0};
    std::atomic<uint32_t> expected_size{0};
    // Set by the window: the download stops (its bytes are kept for a resume).
    std::atomic<int32_t> stop_requested{0};
};

// "x86" or "x64": the architecture update.exe is built for, which is the
// program's beside it.
const char* updater_arch();

// The program's folder (with a trailing backslash): the parent of the
// folder update.exe lies in.
u16 updater_program_folder();

// The interface language the program's settings name (HKCU "language"),
// else the installer's choice for a first run, else English; and its
// installer code 1..11 for the setup's /LANG=.
u16 updater_language_name();
uint32_t updater_language_code(u16view name);

// The answer of the program's main window to wm_close_for_update, in words
// (English) for the console.
const char* close_refusal_text(int32_t answer);

class win32_update_actions_c final : public update_actions_i {
public:
    win32_update_actions_c(u16 program_folder, update_progress_t& progress);

    bool installed_version(program_version_t& out) override;
    bool fetch_document(std::string& body, std::string& signature, std::string& error) override;
    int64_t now() override;
    void step(update_step_t step) override;
    setup_download_t download_setup(const program_document_t& doc, u16& path, std::string& error) override;
    bool file_facts(const u16& path, uint64_t& size, std::string& sha256) override;
    void discard_setup(const u16& path) override;
    close_answer_t close_program() override;
    int run_setup(const u16& path, std::string& error) override;
    bool start_program(std::string& error) override;

    // The main window's refusal (close_for_update_*) after close_program
    // answered busy; 0 otherwise.
    int32_t close_refusal() const { return close_refusal_; }

private:
    u16 program_folder_;
    update_progress_t& progress_;
    int32_t close_refusal_ = 0;
};

} // namespace tdu
