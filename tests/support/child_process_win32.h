#pragma once
// Windows tests only: runs a program and returns what it printed.
#include <string>

namespace tdu::test {

// The full path of the running test program.
std::wstring own_path();

// Starts `exe` with `arguments` (none when empty) and returns everything it
// wrote to standard output and standard error, without trailing line ends.
// Window messages sent to this thread are handled while the program runs, so
// a child that sends one to a window of the test does not wait for ever.
// Gives up waiting after 30 s. `exit_code` (may be null) receives the
// program's exit status, or -1 when it did not start or end.
std::string run_and_capture(const std::wstring& exe, const std::wstring& arguments, int* exit_code = nullptr);

// Makes Wine report `version` ("winxp", "vista", "win8" ...) to programs named
// `exe_name` (HKCU\Software\Wine\AppDefaults\<exe_name>\Version); a null
// version removes the setting. False when the key cannot be written.
bool set_wine_program_version(const std::wstring& exe_name, const wchar_t* version);

// The stand-in installer's whole work: writes the command line it was
// started with into `record`. The text goes to a side file first and is then
// renamed into place, so a test that waits for `record` to appear never
// reads it half written.
int record_command_line(const std::wstring& record);

// Waits up to `timeout_ms` for a stand-in's record to appear with content and
// returns it (empty when it never did). A command line is never empty, so an
// empty read is a file Wine still holds open from its rename: read again.
std::string wait_for_record(const std::wstring& record, unsigned timeout_ms = 30000);

} // namespace tdu::test
