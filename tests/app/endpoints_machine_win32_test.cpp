// The window program's endpoint override in the real registry of the Wine
// prefix: a value below HKEY_LOCAL_MACHINE.
#include "app/endpoints.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

using namespace tdu;

namespace {

const wchar_t* key_path() { return reinterpret_cast<const wchar_t*>(machine_endpoints_key); }
const wchar_t* value_name() { return reinterpret_cast<const wchar_t*>(machine_endpoints_value); }

// Writes the value (and removes it again when the object goes away).
class machine_value_t {
public:
    machine_value_t(DWORD type, const std::wstring& data)
    {
        HKEY key = nullptr;
        ok_ = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS;
        if (!ok_) return;
        ok_ = RegSetValueExW(key, value_name(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~machine_value_t()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, value_name());
        RegCloseKey(key);
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

} // namespace

TEST(MachineEndpoints, NoValueNoOverride)
{
    EXPECT_FALSE(machine_endpoints_override().present);
}

TEST(MachineEndpoints, MultiStringValueApplies)
{
    std::wstring lines(L"mirror1 = http://127.0.0.1:9/\0scan_share_host = 8.8.4.4\0\0", 57);
    machine_value_t value(REG_MULTI_SZ, lines);
    ASSERT_TRUE(value.ok());
    endpoints_override_t o = machine_endpoints_override();
    ASSERT_TRUE(o.present);
    endpoints_loaded_t l = endpoints_load(o);
    EXPECT_TRUE(l.error.empty()) << l.error;
    EXPECT_EQ(l.endpoints.mirrors[0], "http://127.0.0.1:9/");
    EXPECT_EQ(l.endpoints.scan_share_host, "8.8.4.4");
}

TEST(MachineEndpoints, WrongTypeIsReportedAndNotApplied)
{
    machine_value_t value(REG_BINARY, L"mirror1 = http://127.0.0.1:9/");
    ASSERT_TRUE(value.ok());
    endpoints_loaded_t l = endpoints_load(machine_endpoints_override());
    EXPECT_FALSE(l.error.empty());
    EXPECT_EQ(l.endpoints.mirrors[0], default_endpoints().mirrors[0]);
}

// The window program never reads the environment's file.
TEST(MachineEndpoints, TheEnvironmentIsNotTheMachineSource)
{
    SetEnvironmentVariableA("TDU_ENDPOINTS", "Z:\\nowhere\\endpoints.ini");
    EXPECT_FALSE(machine_endpoints_override().present);
    SetEnvironmentVariableA("TDU_ENDPOINTS", nullptr);
}
