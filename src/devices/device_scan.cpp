#include "devices/device_scan.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

#include "common/last_error.h"
#include "devices/grow_buffer.h"
#include "devices/installed_driver.h"
#include "devices/scan_share.h"

namespace tdu {

namespace {

constexpr uint32_t first_instance_id_units = 512;
constexpr uint32_t first_text_bytes = 1024;
constexpr uint32_t first_list_bytes = 8192;

bool read_instance_id(setup_api_c& api, device_set_t set, const device_node_t& node, u16& out)
{
    return read_growing_text(
        api, first_instance_id_units,
        [&](char16_t* buffer, uint32_t capacity, uint32_t* required) {
            return api.device_instance_id(set, node, buffer, capacity, required);
        },
        out);
}

// One property of the expected type (REG_SZ or REG_MULTI_SZ) as UTF-16
// units, grown while the call asks for more room for a value of that type.
// A value of another type, or any other failure, is missing.
bool read_property(setup_api_c& api, device_set_t set, const device_node_t& node, uint32_t property,
                   uint32_t expected_type, u16& out)
{
    std::vector<uint8_t> buffer(expected_type == reg_multi_sz ? first_list_bytes : first_text_bytes);
    for (int round = 0; round < max_growth_rounds; ++round) {
        uint32_t type = 0;
        uint32_t required = 0;
        if (api.device_registry_property(set, node, property, &type, buffer.data(),
                                         static_cast<uint32_t>(buffer.size()), &required)) {
            if (type != expected_type) return false;
            out = units_from_bytes(buffer, required ? required : buffer.size());
            return true;
        }
        if (api.last_error() != win32_error::insufficient_buffer || type != expected_type ||
            required <= buffer.size())
            return false;
        if (!grow_buffer(buffer, required)) return false;
    }
    return false;
}

// A single string property: the text up to its first zero.
bool read_text_property(setup_api_c& api, device_set_t set, const device_node_t& node, uint32_t property, u16& out)
{
    if (!read_property(api, set, node, property, reg_sz, out)) return false;
    size_t zero = out.find(u'\0');
    if (zero != u16::npos) out.resize(zero);
    return true;
}

// A list property, rebuilt as a well-formed multi-string (the value's IDs up
// to its first empty string, whatever the value's own terminators). Only a
// property that cannot be read is missing: a present but empty list is a
// list without IDs.
bool read_list_property(setup_api_c& api, device_set_t set, const device_node_t& node, uint32_t property, u16& out)
{
    u16 raw;
    if (!read_property(api, set, node, property, reg_multi_sz, raw)) return false;
    out = make_multi_string(device_id_list(raw));
    return true;
}

} // namespace

bool device_identity_read(setup_api_c& api, device_set_t set, const device_node_t& node, device_t& device)
{
    u16 text;
    if (!read_instance_id(api, set, node, text)) return false;
    // The device ID is the instance ID without its instance part.
    size_t cut = text.rfind(u'\\');
    if (cut == u16::npos || cut == 0) return false;
    copy_field(device.device_id, device_id_chars, u16view(text).substr(0, cut));

    if (!read_text_property(api, set, node, spdrp_friendlyname, text) &&
        !read_text_property(api, set, node, spdrp_devicedesc, text))
        return false;
    copy_field(device.name, device_name_chars, text);

    if (!read_text_property(api, set, node, spdrp_enumerator_name, text)) return false;
    copy_field(device.enumerator, device_enumerator_chars, text);

    if (read_text_property(api, set, node, spdrp_class, text))
        copy_field(device.class_name, device_class_name_chars, text);
    if (read_text_property(api, set, node, spdrp_classguid, text))
        copy_field(device.class_guid, device_class_guid_chars, text);

    if (!read_list_property(api, set, node, spdrp_hardwareid, device.hardware_ids)) return false;
    if (!read_list_property(api, set, node, spdrp_compatibleids, device.compatible_ids)) return false;
    return true;
}

bool installed_driver_drops(const device_t& device)
{
    u16view enumerator(device.enumerator);
    u16view class_name(device.class_name);
    if (equals_ignore_case_ascii(enumerator, u"ISAPNP") || equals_ignore_case_ascii(enumerator, u"ROOT")) return true;
    if (equals_ignore_case_ascii(class_name, u"DiskDrive")) return true;
    return equals_ignore_case_ascii(enumerator, u"ACPI") &&
           (equals_ignore_case_ascii(class_name, u"System") || equals_ignore_case_ascii(class_name, u"Processor"));
}

namespace {

// The kept records by device ID, so the duplicate check costs the same
// however many devices were kept before. Open addressing over (hash, index)
// pairs held in one array, an ID compared against its record only when the
// hashes match: a map keyed by copies of the IDs took two allocations per
// node and a walk through nodes scattered over the heap, which on a large
// machine missed the cache at every step.
class kept_index_c {
public:
    explicit kept_index_c(size_t expected) { rebuild(slots_for(expected)); }

    static uint64_t hash_of(u16view id) { return std::hash<u16view>{}(id); }

    // The index of the kept record with this ID, or npos.
    size_t find(const std::vector<device_t>& devices, u16view id, uint64_t hash) const
    {
        for (size_t at = hash & mask_;; at = (at + 1) & mask_) {
            const slot_t& slot = slots_[at];
            if (slot.index_plus_one == 0) return npos;
            size_t index = slot.index_plus_one - 1;
            if (slot.hash == hash && u16view(devices[index].device_id) == id) return index;
        }
    }

    void insert(uint64_t hash, size_t index)
    {
        if ((count_ + 1) * 2 > slots_.size()) {
            std::vector<slot_t> old;
            old.swap(slots_);
            rebuild(old.size() * 2);
            for (const slot_t& slot : old)
                if (slot.index_plus_one != 0) place(slot);
        }
        place({hash, index + 1});
        ++count_;
    }

    static constexpr size_t npos = static_cast<size_t>(-1);

private:
    struct slot_t {
        uint64_t hash = 0;
        size_t index_plus_one = 0;  // 0: empty
    };

    static size_t slots_for(size_t expected)
    {
        size_t n = 64;
        while (n < expected * 2) n *= 2;
        return n;
    }
    void rebuild(size_t slots)
    {
        slots_.assign(slots, slot_t{});
        mask_ = slots - 1;
    }
    void place(const slot_t& entry)
    {
        size_t at = entry.hash & mask_;
        while (slots_[at].index_plus_one != 0) at = (at + 1) & mask_;
        slots_[at] = entry;
    }

    std::vector<slot_t> slots_;
    size_t mask_ = 0;
    size_t count_ = 0;
};

// Decides one node: true when it is kept as a new record. A duplicate adds
// to the kept record's instance_count.
bool scan_node(device_inventory_t& inventory, setup_api_c& api, device_set_t set, const device_node_t& node,
               const kept_index_c& kept_by_id, device_t& device, uint64_t& id_hash)
{
    device.instance_count = 1;
    if (!device_identity_read(api, set, node, device)) return false;

    id_hash = kept_index_c::hash_of(device.device_id);
    size_t found = kept_by_id.find(inventory.devices, device.device_id, id_hash);
    if (found != kept_index_c::npos) {
        inventory.devices[found].instance_count += 1;
        return false;
    }

    if (device.class_name[0] && device.class_guid[0]) {
        if (u16view(device.class_name) == u"LegacyDriver") return false;
        device.has_driver = installed_driver_read(api, set, node, device);
        if (device.has_driver) installed_driver_rank(api, set, node, device);
    }
    device.is_present = api.devnode_status(node.dev_inst) == cr_success;
    device.device_class = class_find_for_device(inventory, device);
    if (!device.device_class) return false;
    if (scan_share_drops(device.device_id)) return false;
    if (!device.has_driver) return true;
    return !installed_driver_drops(device);
}

} // namespace

bool device_scan(device_inventory_t& inventory, setup_api_c& api, scan_progress_t& progress, const stop_flag_t* stop)
{
    inventory_clear(inventory);
    progress.total_nodes.store(0);
    progress.processed_nodes.store(0);
    progress.clear_current_name();

    if (!class_list_build(inventory, api)) return false;

    device_set_t set = api.get_class_devs(progress.include_offline == 0);
    if (set == invalid_device_set) {
        set_last_error(error_device_list);
        return false;
    }

    // A first pass counts the nodes, so progress can show processed against total.
    int32_t total = 0;
    device_node_t node;
    while (api.enum_device_info(set, static_cast<uint32_t>(total), node)) ++total;
    progress.total_nodes.store(total);

    // Room for the nodes up front (within reason), so the list of
    // several-kilobyte records is not copied over and over as it fills.
    size_t room = std::min<size_t>(static_cast<size_t>(total), 65536);
    inventory.devices.reserve(room);
    // The index starts small and doubles as it fills (a scan keeps only
    // some of its nodes).
    kept_index_c kept_by_id(std::min<size_t>(room, 1024));
    uint32_t index = 0;
    for (; api.enum_device_info(set, index, node); ++index) {
        if (stop && stop->load() != 0) {
            api.destroy_device_info_list(set);
            set_last_error(error_stopped);
            return false;
        }
        // The node is read straight into the list's next record (a record
        // is several kilobytes: reading it elsewhere and moving it in would
        // copy every kept one once more); a node that is not kept gives its
        // place back.
        inventory.devices.emplace_back();
        uint64_t id_hash = 0;
        bool keep = scan_node(inventory, api, set, node, kept_by_id, inventory.devices.back(), id_hash);
        progress.processed_nodes.store(static_cast<int32_t>(index + 1));
        if (keep) {
            kept_by_id.insert(id_hash, inventory.devices.size() - 1);
            progress.set_current_name(inventory.devices.back().name);
        } else {
            inventory.devices.pop_back();
        }
    }

    bool ended_cleanly = api.last_error() == win32_error::no_more_items;
    // The set is released whatever the outcome.
    api.destroy_device_info_list(set);
    if (!ended_cleanly) {
        set_last_error(error_device_enum);
        return false;
    }
    return true;
}

} // namespace tdu
