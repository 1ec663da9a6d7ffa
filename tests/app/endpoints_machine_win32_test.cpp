// The window program's endpoint override in the real registry of the Wine
// prefix: a value below HKEY_LOCAL_MACHINE; and beside it the keys of the
// update service's answers an administrator trusts.
#include "app/endpoints.h"
#include "service/update_client.h"

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
    machine_value_t(DWORD type, const std::wstring& data, const wchar_t* name = value_name()) : name_(name)
    {
        HKEY key = nullptr;
        ok_ = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS;
        if (!ok_) return;
        ok_ = RegSetValueExW(key, name_, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~machine_value_t()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, name_);
        RegCloseKey(key);
    }
    bool ok() const { return ok_; }

private:
    const wchar_t* name_;
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

// The built-in key comes first; the machine's list adds its keys, and a
// string that is not a key is named and skipped.
TEST(MachineAnswerKeys, TheBuiltInKeyThenTheAdministratorsList)
{
    std::string problem;
    std::vector<answer_key_t> built_in = configured_answer_keys(&problem);
    ASSERT_EQ(built_in.size(), 1u) << "the build's key";
    EXPECT_TRUE(problem.empty()) << problem;

    uint8_t bytes[42] = {'E', 'd', 1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 10; i < 42; ++i) bytes[i] = static_cast<uint8_t>(i);
    std::string line = base64_encode(bytes, sizeof bytes);
    std::wstring strings(line.begin(), line.end());
    strings += std::wstring(L"\0not a key\0\0", 12);
    const wchar_t* name = reinterpret_cast<const wchar_t*>(machine_answer_keys_value);
    machine_value_t value(REG_MULTI_SZ, strings, name);
    ASSERT_TRUE(value.ok());
    std::vector<answer_key_t> keys = configured_answer_keys(&problem);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(keys[1].id), 8), std::string("\1\2\3\4\5\6\7\10", 8));
    EXPECT_NE(problem.find("answer_keys: not a public key: not a key"), std::string::npos) << problem;
    // The endpoint override is another value: untouched.
    EXPECT_FALSE(machine_endpoints_override().present);
}
