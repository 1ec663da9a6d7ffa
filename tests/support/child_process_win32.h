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
// Gives up waiting after 30 s.
std::string run_and_capture(const std::wstring& exe, const std::wstring& arguments);

} // namespace tdu::test
