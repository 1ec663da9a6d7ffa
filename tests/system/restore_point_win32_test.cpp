// System Restore under Wine: a stand-in srclient.dll of the tests, put in
// the prefix's system folder for the test's time, records the calls it
// gets; Wine's own srclient.dll makes no restore point.
#include "system/restore_point.h"

#include "common/win32_text.h"
#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tdu;
namespace fs = std::filesystem;

namespace {

const wchar_t restore_key[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore";
const wchar_t frequency_value[] = L"SystemRestorePointCreationFrequency";

std::wstring system_dll()
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length) + L"\\srclient.dll";
}

// The stand-in in place of the system's srclient.dll while alive; the
// system's one is put back afterwards.
class stand_in_srclient_c {
public:
    stand_in_srclient_c()
    {
        had_ = MoveFileExW(dll_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        copied_ = CopyFileW(wide(utf8_to_utf16(TDU_STAND_IN_SRCLIENT).c_str()), dll_.c_str(), FALSE) != FALSE;
    }
    ~stand_in_srclient_c()
    {
        DeleteFileW(dll_.c_str());
        if (had_) MoveFileExW(aside_.c_str(), dll_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    stand_in_srclient_c(const stand_in_srclient_c&) = delete;
    stand_in_srclient_c& operator=(const stand_in_srclient_c&) = delete;
    bool copied() const { return copied_; }

private:
    std::wstring dll_ = system_dll();
    std::wstring aside_ = system_dll() + L".tdu-test";
    bool had_ = false;
    bool copied_ = false;
};

// The once-a-day limit: -1 when there is no value.
long long frequency()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, restore_key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return -1;
    DWORD value = 0;
    DWORD type = 0;
    DWORD bytes = sizeof value;
    LONG read = RegQueryValueExW(key, frequency_value, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD) return -1;
    return value;
}

void set_frequency(long long value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, restore_key, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    if (value < 0) {
        RegDeleteValueW(key, frequency_value);
    } else {
        DWORD v = static_cast<DWORD>(value);
        RegSetValueExW(key, frequency_value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    }
    RegCloseKey(key);
}

std::vector<std::string> log_lines(const fs::path& log)
{
    std::vector<std::string> lines;
    if (!fs::exists(log)) return lines;
    std::string text = test::read_file(log);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

} // namespace

// BEGIN with DEVICE_DRIVER_INSTALL and the description, then END with the
// sequence BEGIN gave, as installed or as cancelled. The daily limit is 0
// for BEGIN only when asked to lift it, and is as it was afterwards: the old
// value, or no value.
TEST(Win32RestorePoint, TheStandInSeesBeginAndEndAndTheDailyLimitIsPutBack)
{
    struct row {
        const char* what;
        bool lift;
        long long before;
        const char* begin_freq;
    };
    const row rows[] = {
        {"lifted, no value before", true, -1, "freq=0"},
        {"lifted, a value before", true, 1440, "freq=0"},
        {"not lifted (before Windows 8)", false, 1440, "freq=1440"},
    };
    const long long original = frequency();
    for (const row& r : rows) {
        test::temp_dir_c dir;
        fs::path log = dir.path() / "srclient.log";
        SetEnvironmentVariableW(L"TDU_SRCLIENT_LOG", wide(test::program_path(log).c_str()));
        set_frequency(r.before);
        std::vector<std::string> lines;
        {
            stand_in_srclient_c stand_in;
            ASSERT_TRUE(stand_in.copied()) << r.what;
            std::unique_ptr<restore_point_c> system = make_win32_restore_point(r.lift);
            restore_point_begin_t begun = system->begin(u"Tavrill Driver Updater: driver.zip");
            EXPECT_TRUE(begun.made) << r.what;
            EXPECT_EQ(begun.sequence, 42) << r.what;
            EXPECT_TRUE(system->end(begun.sequence, false)) << r.what;
            EXPECT_TRUE(system->end(begun.sequence, true)) << r.what;
            system.reset();  // frees the DLL before the stand-in goes
        }
        const std::string kept = r.before < 0 ? "freq=none" : "freq=" + std::to_string(r.before);
        EXPECT_EQ(log_lines(log), (std::vector<std::string>{
                                      std::string("BEGIN 10 0 ") + r.begin_freq + " Tavrill Driver Updater: driver.zip",
                                      "END 10 42 " + kept + " ",
                                      "END 13 42 " + kept + " ",
                                  }))
            << r.what;
        EXPECT_EQ(frequency(), r.before) << r.what;
    }
    SetEnvironmentVariableW(L"TDU_SRCLIENT_LOG", nullptr);
    set_frequency(original);
}

// System Restore refusing (off, or a server without it): no restore point,
// its status kept, and the daily limit as it was.
TEST(Win32RestorePoint, ARefusingSystemRestoreMakesNone)
{
    const long long original = frequency();
    set_frequency(-1);
    {
        stand_in_srclient_c stand_in;
        ASSERT_TRUE(stand_in.copied());
        SetEnvironmentVariableW(L"TDU_SRCLIENT_REFUSE", L"1");
        std::unique_ptr<restore_point_c> system = make_win32_restore_point(true);
        restore_point_begin_t begun = system->begin(u"Tavrill Driver Updater: driver.zip");
        EXPECT_FALSE(begun.made);
        EXPECT_EQ(begun.status, static_cast<uint32_t>(ERROR_SERVICE_DISABLED));
        system.reset();
        SetEnvironmentVariableW(L"TDU_SRCLIENT_REFUSE", nullptr);
    }
    EXPECT_EQ(frequency(), -1);
    set_frequency(original);
}

// Wine's own srclient.dll answers FALSE: no restore point, nothing is
// installed until the user agrees, and no END is sent for one never made.
TEST(Win32RestorePoint, WinesOwnSrclientMakesNone)
{
    std::unique_ptr<restore_point_c> system = make_win32_restore_point(true);
    restore_point_run_c run(*system);
    int installs = 0;
    auto install = [&] {
        ++installs;
        return true;
    };
    EXPECT_EQ(run.guard(u"driver.zip", install), restore_point_guard_t::no_restore_point);
    EXPECT_EQ(installs, 0);
    EXPECT_EQ(run.state(), restore_point_state_t::refused);
    run.allow_without();
    EXPECT_EQ(run.guard(u"driver.zip", install), restore_point_guard_t::installed);
    EXPECT_EQ(installs, 1);
}
