// Starting a program and waiting for its exit code on Windows.
#include "packages/process_run.h"

#include "common/win32_text.h"

#include <vector>

namespace tdu {
namespace {

class win32_process_runner_c final : public process_runner_c {
public:
    process_result_t run_and_wait(u16view program, u16view arguments, uint32_t wait_ms) override
    {
        process_result_t result;
        u16 line = u"\"" + u16(program) + u"\"";
        if (!arguments.empty()) line += u" " + u16(arguments);
        u16 application(program);
        // CreateProcessW may write into the command line it is given.
        std::vector<wchar_t> writable(line.size() + 1, 0);
        for (size_t i = 0; i < line.size(); ++i) writable[i] = static_cast<wchar_t>(line[i]);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(wide(application.c_str()), writable.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &process))
            return result;
        CloseHandle(process.hThread);
        const DWORD waited = WaitForSingleObject(process.hProcess, wait_ms);
        DWORD code = 0;
        if (waited == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code)) {
            result.end = process_end_t::ended;
            result.exit_code = code;
        } else {
            result.end = process_end_t::still_running;
        }
        CloseHandle(process.hProcess);
        return result;
    }
};

} // namespace

process_runner_c& win32_process_runner()
{
    static win32_process_runner_c runner;
    return runner;
}

} // namespace tdu
