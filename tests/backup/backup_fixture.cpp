#include "backup_fixture.h"

#include "devices/device_scan.h"
#include "devices/fake_setup_api.h"
#include "devices/machine_fixture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tdu::test {

namespace {

u16 lower(u16view text)
{
    u16 out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return out;
}

} // namespace

std::filesystem::path xp_root()
{
    return data_dir() / "backup" / "xp_root";
}

std::filesystem::path vista_root()
{
    return data_dir() / "backup" / "vista_root";
}

u16 fake_store_platform_t::expand_environment(u16view text)
{
    u16 out(text);
    const u16 name = u"%SYSTEMROOT%";
    for (size_t at = out.find(name); at != u16::npos; at = out.find(name, at + root_.size()))
        out.replace(at, name.size(), root_);
    return out;
}

locate_inf_t fake_store_platform_t::load_store_locator()
{
    if (locator_missing) return {};
    return [this](const char16_t* inf_name, const void*, const char16_t*, char16_t* buffer, uint32_t buffer_chars,
                  uint32_t* required_chars) {
        ++locate_calls;
        auto found = store_paths.find(lower(inf_name));
        if (found == store_paths.end()) return false;
        if (required_chars) *required_chars = static_cast<uint32_t>(found->second.size() + 1);
        if (found->second.size() + 1 > buffer_chars) return false;
        copy_field(buffer, buffer_chars, found->second);
        return true;
    };
}

void scan_backup_machine(device_inventory_t& inventory)
{
    fake_setup_api_t api(load_machine(data_dir() / "backup" / "backup_machine.ini"));
    scan_progress_t progress;
    if (!device_scan(inventory, api, progress)) throw std::runtime_error("the backup machine does not scan");
}

device_t& device_starting(device_inventory_t& inventory, const std::string& prefix)
{
    u16 wanted = utf8_to_utf16(prefix);
    for (device_t& d : inventory.devices) {
        if (u16view(d.device_id).substr(0, wanted.size()) == wanted) return d;
    }
    ADD_FAILURE() << "no device " << prefix;
    throw std::runtime_error("no device " + prefix);
}

} // namespace tdu::test
