#include "devices/machine_registry.h"

#include <windows.h>
#include <shlwapi.h>

#include "common/win32_text.h"
#include "devices/device.h"
#include "devices/setup_api.h"

namespace tdu::test {

namespace {

const std::wstring enum_root = L"System\\CurrentControlSet\\Enum\\";
const std::wstring class_root = L"System\\CurrentControlSet\\Control\\Class\\";
const wchar_t* const marker = L"TduMachineFixture";

std::wstring w(u16view s) { return std::wstring(s.begin(), s.end()); }

std::string describe(const std::wstring& what, LONG status)
{
    return utf16_to_utf8(u16(what.begin(), what.end())) + ": error " + std::to_string(status);
}

bool key_exists(const std::wstring& path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A key with neither subkeys nor values.
bool key_empty(const std::wstring& path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0, values = 0;
    LONG status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

void delete_tree(const std::wstring& path) { SHDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()); }

class writer_c {
public:
    writer_c(const std::wstring& path, std::string& error) : error_(error)
    {
        LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      &key_, nullptr);
        if (status != ERROR_SUCCESS) {
            key_ = nullptr;
            fail(path, status);
        }
        path_ = path;
    }
    ~writer_c()
    {
        if (key_) RegCloseKey(key_);
    }
    bool ok() const { return key_ && error_.empty(); }

    void text(const wchar_t* name, uint32_t type, u16view value)
    {
        // REG_SZ and REG_EXPAND_SZ with one terminating zero; a multi-string
        // comes with its own terminators.
        std::wstring data = w(value);
        if (type != REG_MULTI_SZ) data.push_back(0);
        set(name, type, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    }
    void dword(const wchar_t* name, DWORD value) { set(name, REG_DWORD, &value, sizeof value); }

private:
    void set(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        if (!key_) return;
        LONG status = RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), bytes);
        if (status != ERROR_SUCCESS) fail(path_ + L"\\" + (name ? name : L"@"), status);
    }
    void fail(const std::wstring& what, LONG status)
    {
        if (error_.empty()) error_ = describe(what, status);
    }
    HKEY key_ = nullptr;
    std::wstring path_;
    std::string& error_;
};

} // namespace

bool machine_registry_import(const machine_t& machine, std::string& error)
{
    error.clear();
    machine_registry_remove(machine);

    for (const fixture_class_t& c : machine.classes) {
        std::wstring path = class_root + w(c.guid);
        if (key_exists(path)) continue;  // one of the system's classes: left as it is
        writer_c key(path, error);
        key.dword(marker, 1);
        if (c.name) key.text(L"Class", REG_SZ, *c.name);
        if (c.description) key.text(nullptr, REG_SZ, *c.description);
        if (!key.ok()) return false;
    }
    for (const fixture_driver_key_t& k : machine.driver_keys) {
        writer_c key(class_root + w(k.key), error);
        for (const fixture_value_t& v : k.values) {
            std::wstring name = w(v.name);
            if (v.type == reg_dword) key.dword(name.c_str(), v.number);
            else key.text(name.c_str(), v.type, v.text);
        }
        if (!key.ok()) return false;
    }
    for (const fixture_device_t& d : machine.devices) {
        writer_c key(enum_root + w(d.instance_id), error);
        if (d.description) key.text(L"DeviceDesc", REG_SZ, *d.description);
        if (d.friendly_name) key.text(L"FriendlyName", REG_SZ, *d.friendly_name);
        if (d.has_hardware_ids) key.text(L"HardwareID", REG_MULTI_SZ, make_multi_string(d.hardware_ids));
        if (d.has_compatible_ids) key.text(L"CompatibleIDs", REG_MULTI_SZ, make_multi_string(d.compatible_ids));
        if (d.class_guid) key.text(L"ClassGUID", REG_SZ, *d.class_guid);
        if (auto name = machine.class_name_of(d)) key.text(L"Class", REG_SZ, *name);
        if (d.driver) key.text(L"Driver", REG_SZ, *d.driver);
        if (!key.ok()) return false;
    }
    return true;
}

void machine_registry_remove(const machine_t& machine)
{
    for (const fixture_device_t& d : machine.devices) {
        std::wstring path = enum_root + w(d.instance_id);
        delete_tree(path);
        // The device and enumerator keys above it go when nothing else is in them.
        for (int level = 0; level < 2; ++level) {
            size_t cut = path.rfind(L'\\');
            if (cut == std::wstring::npos || cut + 1 <= enum_root.size()) break;
            path.resize(cut);
            if (key_empty(path)) RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
        }
    }
    for (const fixture_driver_key_t& k : machine.driver_keys) delete_tree(class_root + w(k.key));
    for (const fixture_class_t& c : machine.classes) {
        std::wstring path = class_root + w(c.guid);
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        bool ours = RegQueryValueExW(key, marker, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (ours) delete_tree(path);
    }
}

machine_registry_c::machine_registry_c(machine_t machine) : machine_(std::move(machine))
{
    ok_ = machine_registry_import(machine_, error_);
}

machine_registry_c::~machine_registry_c() { machine_registry_remove(machine_); }

} // namespace tdu::test
