#pragma once
// The device record, the device inventory a scan builds, the scan's result
// and the progress record of a scan.
//
// All text is UTF-16. A width is the buffer size in code units including the
// terminating zero: a width of 200 holds at most 199 units; longer data is cut.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "common/text.h"
#include "devices/device_class.h"
#include "devices/driver_offer.h"

namespace tdu {

constexpr size_t device_id_chars = 200;
constexpr size_t device_class_name_chars = 32;
constexpr size_t device_class_guid_chars = 39;
constexpr size_t device_name_chars = 1025;
constexpr size_t device_enumerator_chars = 129;
constexpr size_t device_inf_path_chars = 260;
constexpr size_t device_driver_date_chars = 11;
constexpr size_t device_driver_desc_chars = 1025;
constexpr size_t device_driver_version_chars = 65;
constexpr size_t device_provider_name_chars = 129;
constexpr size_t device_matching_id_chars = 200;

// One kept device node. Move-only: it owns its ID lists and its offer array,
// and best_offer / latest_offer point into that array (a move keeps the array
// where it is, so they stay valid when the device list grows).
struct device_t {
    // Instance ID cut at its last backslash (enumerator and device part,
    // without the instance part). Key of the record, compared exactly.
    char16_t device_id[device_id_chars] = {};
    char16_t class_name[device_class_name_chars] = {};  // may be empty
    char16_t class_guid[device_class_guid_chars] = {};  // braced text; may be empty
    char16_t name[device_name_chars] = {};              // friendly name, else description
    char16_t enumerator[device_enumerator_chars] = {};  // "ROOT", "ACPI", "PCI", ...
    // Multi-strings: every ID followed by a zero, the list ended by an empty
    // string (so the text ends in two zeros). Read them with device_id_list.
    u16 hardware_ids;
    u16 compatible_ids;
    int32_t instance_count = 0;  // 1 plus one per later node with the same device_id

    // The installed driver (values of the driver key).
    char16_t inf_path[device_inf_path_chars] = {};
    char16_t driver_date[device_driver_date_chars] = {};  // year-month-day, "2006-06-21"
    char16_t driver_desc[device_driver_desc_chars] = {};
    char16_t driver_version[device_driver_version_chars] = {};
    char16_t provider_name[device_provider_name_chars] = {};  // may stay empty
    char16_t matching_device_id[device_matching_id_chars] = {};
    uint32_t driver_rank = 0;  // setup rank of the installed driver, 0 when unknown

    // Offers of the update service; no array after a scan. An array may
    // exist with offer_count 0 (an answer that named the device again
    // without items keeps the earlier array).
    std::unique_ptr<driver_offer_t[]> offers;
    int32_t offer_count = 0;

    bool has_driver = false;  // the installed-driver values were read completely
    bool is_present = false;  // the node's status could be read: attached now
    // The class entry matched during the scan; never null for a kept device.
    // Valid while the class list is not rebuilt (the next scan).
    const device_class_t* device_class = nullptr;
    driver_offer_t* best_offer = nullptr;    // into offers, or null
    driver_offer_t* latest_offer = nullptr;  // into offers, or null
    bool best_offer_better = false;   // the best offer improves on the installed driver
    bool latest_offer_newer = false;  // the latest offer improves on the installed driver
};

// The device list and the class list of one scan, and the class icons.
struct device_inventory_t {
    std::vector<device_t> devices;        // kept devices, in enumeration order
    std::vector<device_class_t> classes;  // setup classes, sorted by description
    // A copy of the program's list, obtained once at start and released at
    // exit by the program; an inventory never releases it.
    class_image_list_t class_image_list;
};

// What a finished scan hands on: its devices with their installed drivers
// and offers, the class list they point into, and the number of device nodes
// it went through. Shared and never changed once handed on: the next scan,
// or a new ranking of the same answer, makes a new one, and whoever still
// shows this one keeps it alive.
struct scan_outcome_t {
    device_inventory_t inventory;
    uint32_t device_nodes = 0;
};

// A new, empty result that carries a copy of the class icons.
std::shared_ptr<scan_outcome_t> make_scan_outcome(const class_image_list_t& class_images);

// A deep copy of `from`: the offers copied, and each device's class, best
// and latest offer pointing into the copy.
device_inventory_t inventory_copy(const device_inventory_t& from);

// The scan's input and progress. The scan thread writes it; the interface
// reads it while the scan runs: the counters are atomic and the current name
// is a copy taken under a lock, so the device list may grow meanwhile.
struct scan_progress_t {
    int32_t include_offline = 0;  // copy of the scan_offline setting
    std::atomic<int32_t> total_nodes{0};
    std::atomic<int32_t> processed_nodes{0};

    // Name of the most recently kept device; nothing until one is kept.
    std::optional<u16> current_name() const;
    void set_current_name(u16view name);
    void clear_current_name();

private:
    mutable std::mutex name_lock_;
    std::optional<u16> current_name_;
};

// The first record and the number of records (no first record when empty).
device_t* inventory_devices(device_inventory_t& inventory, int32_t* count);
// The record whose device_id equals `device_id` exactly, or null.
device_t* inventory_find_device(device_inventory_t& inventory, u16view device_id);
const device_t* inventory_find_device(const device_inventory_t& inventory, u16view device_id);
// Frees every record's lists and offers and empties both lists (the device
// list keeps its storage for the next scan).
void inventory_clear(device_inventory_t& inventory);

// The strings of a multi-string in order, up to the first empty string (or
// the end of `multi_string` when its terminator is missing).
std::vector<u16> device_id_list(u16view multi_string);

// Builds a multi-string from a list of IDs (each followed by a zero, then
// one more zero).
u16 make_multi_string(const std::vector<u16>& ids);

} // namespace tdu
