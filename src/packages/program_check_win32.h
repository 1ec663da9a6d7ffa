#pragma once
// The check for a newer program version on Windows, shared by update.exe and
// the window program's weekly look: the version resource of a program file
// and the version document from the configured mirrors (app/endpoints.h).
#include "common/text.h"
#include "packages/program_update.h"

#include <string>

namespace tdu {

// "x86" or "x64": the architecture this code is built for.
const char* program_arch();

// The fixed file version of `exe`'s version resource; false when unreadable.
bool program_file_version(const u16& exe, program_version_t& out);

// GET <mirror>program/<arch> from each mirror in turn: the first document
// served with status 200 and its signature header. False with `error`
// naming each mirror's failure when none served it.
bool fetch_program_document(std::string& body, std::string& signature, std::string& error);

// A check of the program file `exe` (the window program's own file).
class win32_program_check_c final : public program_check_actions_i {
public:
    explicit win32_program_check_c(u16 exe) : exe_(std::move(exe)) {}
    bool installed_version(program_version_t& out) override { return program_file_version(exe_, out); }
    bool fetch_document(std::string& body, std::string& signature, std::string& error) override
    {
        return fetch_program_document(body, signature, error);
    }
    int64_t now() override;
    // A check has one step: nothing to report.
    void step(update_step_t) override {}

private:
    u16 exe_;
};

} // namespace tdu
