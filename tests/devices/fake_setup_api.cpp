#include "devices/fake_setup_api.h"

#include <algorithm>
#include <cstring>

#include "devices/device.h"

namespace tdu::test {

namespace {

constexpr uint32_t error_invalid_class = 0xE0000209;  // ERROR_INVALID_CLASS
constexpr uint32_t error_invalid_handle = 6;
constexpr uint32_t error_key_does_not_exist = 0xE0000204;  // ERROR_KEY_DOES_NOT_EXIST

std::vector<uint8_t> utf16_bytes(u16view text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<uint8_t> sz_bytes(u16view text)
{
    u16 with_zero(text);
    with_zero.push_back(0);
    return utf16_bytes(with_zero);
}

u16 lower(u16view text)
{
    u16 out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return out;
}

bool contains(const std::vector<u16>& list, const u16& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Copies a zero-terminated text of `text.size() + 1` units into a buffer of
// `capacity` units the way the Setup API does.
bool put_text(u16view text, char16_t* buffer, uint32_t capacity, uint32_t* required, uint32_t& error)
{
    uint32_t needed = static_cast<uint32_t>(text.size() + 1);
    if (required) *required = needed;
    if (capacity < needed) {
        error = win32_error::insufficient_buffer;
        return false;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return true;
}

} // namespace

fake_setup_api_c::fake_setup_api_c(machine_t machine) : machine_(std::move(machine))
{
    for (const fixture_class_t& c : machine_.classes) {
        guid_t g;
        if (guid_from_text(c.guid, g)) class_guids_.push_back(g);
    }
    // Key names compare without regard to case, as in the registry. Each
    // device's key is looked up once here: the scan asks for it several
    // times per node, and a lookup by name at every call made the fake's
    // own cost grow with the size of a generated machine.
    std::unordered_map<u16, size_t> index;
    for (size_t i = 0; i < machine_.driver_keys.size(); ++i) index.emplace(lower(machine_.driver_keys[i].key), i);
    driver_key_by_device_.reserve(machine_.devices.size());
    for (const fixture_device_t& d : machine_.devices) {
        auto found = d.driver ? index.find(lower(*d.driver)) : index.end();
        driver_key_by_device_.push_back(found == index.end() ? nullptr : &machine_.driver_keys[found->second]);
    }
}

const fixture_driver_key_t* fake_setup_api_c::driver_key_of(const fixture_device_t* device) const
{
    if (!device) return nullptr;
    return driver_key_by_device_[static_cast<size_t>(device - machine_.devices.data())];
}

bool fake_setup_api_c::fail(uint32_t error)
{
    last_error_ = error;
    return false;
}

void fake_setup_api_c::record(const std::string& call)
{
    if (record_calls) calls.push_back(call);
}

const fixture_device_t* fake_setup_api_c::device_of(const device_node_t& node) const
{
    if (node.reserved == 0 || node.reserved > machine_.devices.size()) return nullptr;
    return &machine_.devices[node.reserved - 1];
}

const fixture_class_t* fake_setup_api_c::class_of(const guid_t& guid) const
{
    for (const fixture_class_t& c : machine_.classes) {
        guid_t g;
        if (guid_from_text(c.guid, g) && g == guid) return &c;
    }
    return nullptr;
}

bool fake_setup_api_c::build_class_info_list(guid_t* buffer, uint32_t capacity, uint32_t* required)
{
    if (class_list_error) return fail(*class_list_error);
    uint32_t count = static_cast<uint32_t>(class_guids_.size());
    *required = count;
    if (capacity < count) {
        if (class_list_required_override) *required = *class_list_required_override;
        return fail(win32_error::insufficient_buffer);
    }
    std::copy(class_guids_.begin(), class_guids_.end(), buffer);
    return true;
}

bool fake_setup_api_c::class_description(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required)
{
    const fixture_class_t* c = class_of(guid);
    if (!c || !c->description || contains(class_description_fails, guid_to_text(guid)))
        return fail(error_invalid_class);
    return put_text(*c->description, buffer, capacity, required, last_error_);
}

bool fake_setup_api_c::class_name_from_guid(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required)
{
    const fixture_class_t* c = class_of(guid);
    if (!c || !c->name || contains(class_name_fails, guid_to_text(guid))) return fail(error_invalid_class);
    return put_text(*c->name, buffer, capacity, required, last_error_);
}

bool fake_setup_api_c::get_class_image_list(class_image_list_t& out)
{
    if (class_image_list_fails) return fail(win32_error::call_not_implemented);
    out.image_list = 0x1234;
    out.reserved = 1;
    return true;
}

void fake_setup_api_c::destroy_class_image_list(class_image_list_t& list) { list.image_list = 0; }

bool fake_setup_api_c::class_image_index(const class_image_list_t& list, const guid_t& guid, int32_t* index)
{
    if (list.image_list != 0x1234 || contains(class_image_index_fails, guid_to_text(guid)))
        return fail(error_invalid_class);
    // Any stable index: the position of the class in the machine, plus 1.
    for (size_t i = 0; i < class_guids_.size(); ++i) {
        if (class_guids_[i] == guid) {
            *index = static_cast<int32_t>(i + 1);
            return true;
        }
    }
    return fail(error_invalid_class);
}

device_set_t fake_setup_api_c::get_class_devs(bool present_only)
{
    if (device_set_fails) {
        last_error_ = error_invalid_handle;
        return invalid_device_set;
    }
    std::vector<size_t> members;
    for (size_t i = 0; i < machine_.devices.size(); ++i) {
        if (!present_only || machine_.devices[i].present) members.push_back(i);
    }
    sets_.push_back(std::move(members));
    ++open_sets;
    return static_cast<device_set_t>(sets_.size());
}

bool fake_setup_api_c::enum_device_info(device_set_t set, uint32_t index, device_node_t& node)
{
    if (set == 0 || set > sets_.size()) return fail(error_invalid_handle);
    if (enum_error && enum_error->first == index) return fail(enum_error->second);
    const std::vector<size_t>& members = sets_[set - 1];
    if (index >= members.size()) return fail(win32_error::no_more_items);
    size_t device_index = members[index];
    const fixture_device_t& device = machine_.devices[device_index];
    node = device_node_t{};
    if (device.class_guid) guid_from_text(*device.class_guid, node.class_guid);
    node.dev_inst = static_cast<uint32_t>(device_index + 1);
    node.reserved = device_index + 1;
    return true;
}

void fake_setup_api_c::destroy_device_info_list(device_set_t) { --open_sets; }

bool fake_setup_api_c::device_instance_id(device_set_t, const device_node_t& node, char16_t* buffer,
                                          uint32_t capacity, uint32_t* required)
{
    const fixture_device_t* device = device_of(node);
    if (!device) return fail(error_invalid_handle);
    auto fault = instance_id_errors.find(device->instance_id);
    if (fault != instance_id_errors.end()) return fail(fault->second);
    // Instance IDs come back in upper case, as the Setup API reports them.
    u16 id = device->instance_id;
    for (char16_t& c : id) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    }
    return put_text(id, buffer, capacity, required, last_error_);
}

bool fake_setup_api_c::device_registry_property(device_set_t, const device_node_t& node, uint32_t property,
                                                uint32_t* reg_type, uint8_t* buffer, uint32_t size,
                                                uint32_t* required)
{
    const fixture_device_t* device = device_of(node);
    if (!device) return fail(error_invalid_handle);

    std::optional<std::vector<uint8_t>> bytes;
    uint32_t type = reg_sz;
    switch (property) {
    case spdrp_friendlyname:
        if (device->friendly_name) bytes = sz_bytes(*device->friendly_name);
        break;
    case spdrp_devicedesc:
        if (device->description) bytes = sz_bytes(*device->description);
        break;
    case spdrp_enumerator_name:
        if (!device->enumerator) bytes = sz_bytes(u16view(device->instance_id).substr(0, device->instance_id.find(u'\\')));
        else if (*device->enumerator != u"-") bytes = sz_bytes(*device->enumerator);
        break;
    case spdrp_class:
        if (auto name = machine_.class_name_of(*device)) bytes = sz_bytes(*name);
        break;
    case spdrp_classguid:
        if (device->class_guid) bytes = sz_bytes(*device->class_guid);
        break;
    case spdrp_hardwareid:
        type = reg_multi_sz;
        if (device->has_hardware_ids) bytes = utf16_bytes(make_multi_string(device->hardware_ids));
        break;
    case spdrp_compatibleids:
        type = reg_multi_sz;
        if (device->has_compatible_ids) bytes = utf16_bytes(make_multi_string(device->compatible_ids));
        break;
    default:
        break;
    }

    auto fault = property_faults.empty() ? property_faults.end() : property_faults.find({device->instance_id, property});
    std::optional<uint32_t> asked;
    if (fault != property_faults.end()) {
        const property_fault_t& f = fault->second;
        if (f.type) type = *f.type;
        if (f.bytes) bytes = f.bytes;
        asked = f.required;
        if (f.error) {
            if (reg_type) *reg_type = type;
            if (required) *required = asked.value_or(bytes ? static_cast<uint32_t>(bytes->size()) : 0);
            return fail(*f.error);
        }
    }
    if (!bytes) return fail(win32_error::invalid_data);

    uint32_t needed = static_cast<uint32_t>(bytes->size());
    if (reg_type) *reg_type = type;
    if (required) *required = asked.value_or(needed);
    if (size < needed) return fail(win32_error::insufficient_buffer);
    std::memcpy(buffer, bytes->data(), needed);
    return true;
}

uint32_t fake_setup_api_c::devnode_status(uint32_t dev_inst)
{
    if (dev_inst == 0 || dev_inst > machine_.devices.size()) return cr_no_such_devinst;
    return machine_.devices[dev_inst - 1].present ? cr_success : cr_no_such_devinst;
}

driver_key_t fake_setup_api_c::open_driver_key(device_set_t, const device_node_t& node)
{
    record("open_driver_key");
    const fixture_device_t* device = device_of(node);
    const fixture_driver_key_t* key = driver_key_of(device);
    if (!key) {
        last_error_ = error_key_does_not_exist;
        return invalid_driver_key;
    }
    keys_.push_back(key);
    ++open_keys;
    return static_cast<driver_key_t>(keys_.size());
}

uint32_t fake_setup_api_c::query_value(driver_key_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                                       uint32_t* size)
{
    if (key == 0 || key > keys_.size() || !keys_[key - 1]) return error_invalid_handle;
    const fixture_value_t* value = keys_[key - 1]->find(name);
    if (!value) return win32_error::file_not_found;
    std::vector<uint8_t> bytes;
    if (value->type == reg_dword) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value->number >> (8 * i)));
    } else if (value->type == reg_multi_sz) {
        bytes = utf16_bytes(value->text);
    } else {
        bytes = sz_bytes(value->text);
    }
    *type = value->type;
    uint32_t capacity = *size;
    *size = static_cast<uint32_t>(bytes.size());
    if (!data) return win32_error::success;
    if (capacity < bytes.size()) return win32_error::more_data;
    std::memcpy(data, bytes.data(), bytes.size());
    return win32_error::success;
}

void fake_setup_api_c::close_key(driver_key_t key)
{
    record("close_key");
    if (key != 0 && key <= keys_.size() && keys_[key - 1]) {
        keys_[key - 1] = nullptr;
        --open_keys;
    }
}

bool fake_setup_api_c::get_device_install_params(device_set_t, const device_node_t&, device_install_params_t& params)
{
    record("get_device_install_params");
    if (rank_fail_step == 1) return fail(win32_error::invalid_data);
    params = device_install_params_t{};
    params.flags = 0x00000004;  // something already set, which must be kept
    params.flags_ex = 0x00100000;
    return true;
}

bool fake_setup_api_c::set_device_install_params(device_set_t, const device_node_t&,
                                                 const device_install_params_t& params)
{
    record("set_device_install_params");
    last_set_params = params;
    if (rank_fail_step == 2) return fail(win32_error::invalid_data);
    return true;
}

bool fake_setup_api_c::build_driver_info_list(device_set_t, const device_node_t&)
{
    record("build_driver_info_list");
    if (rank_fail_step == 3) return fail(win32_error::invalid_data);
    ++open_driver_lists;
    return true;
}

bool fake_setup_api_c::enum_driver_info(device_set_t, const device_node_t& node, uint32_t index, driver_info_t& info)
{
    record("enum_driver_info");
    const fixture_device_t* device = device_of(node);
    const fixture_driver_key_t* key = driver_key_of(device);
    if (rank_fail_step == 4 || index != 0 || !key || !key->rank) return fail(win32_error::no_more_items);
    info.driver_type = 2;  // SPDIT_COMPATDRIVER
    info.reserved = node.reserved;
    return true;
}

bool fake_setup_api_c::driver_install_rank(device_set_t, const device_node_t& node, const driver_info_t& info,
                                           uint32_t* rank)
{
    record("driver_install_rank");
    if (rank_fail_step == 5 || info.reserved != node.reserved) return fail(win32_error::invalid_data);
    *rank = *driver_key_of(device_of(node))->rank;
    return true;
}

void fake_setup_api_c::destroy_driver_info_list(device_set_t, const device_node_t&)
{
    record("destroy_driver_info_list");
    --open_driver_lists;
}

} // namespace tdu::test
