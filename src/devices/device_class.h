#pragma once
// The setup classes of the machine, rebuilt at the start of every scan, and
// the lookups that tie a device to its class.
#include <cstddef>
#include <cstdint>

#include "common/text.h"

namespace tdu {

class setup_api_c;
struct device_t;
struct device_inventory_t;

// A GUID in the memory layout of the Windows GUID structure.
struct guid_t {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
};
bool operator==(const guid_t& a, const guid_t& b);
inline bool operator!=(const guid_t& a, const guid_t& b) { return !(a == b); }

// Braced upper-case text form, 38 characters: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
constexpr size_t guid_text_chars = 39;
u16 guid_to_text(const guid_t& guid);
// Reads the braced form (either case); false when `text` is not exactly one.
bool guid_from_text(u16view text, guid_t& out);

// The system's class icon list (the fields of SP_CLASSIMAGELIST_DATA).
// `valid` is false when the list could not be obtained.
struct class_image_list_t {
    uintptr_t image_list = 0;  // HIMAGELIST
    uintptr_t reserved = 0;
    bool valid = false;
};

constexpr size_t class_description_chars = 1025;
constexpr size_t class_name_chars = 32;

struct device_class_t {
    guid_t guid;
    char16_t guid_text[guid_text_chars] = {};
    char16_t description[class_description_chars] = {};  // empty when it cannot be read
    char16_t class_name[class_name_chars] = {};
    uintptr_t image_list = 0;  // copy of the inventory's HIMAGELIST
    int32_t image_index = 0;   // 0 when the index cannot be read
};

// Obtains the class image list once at start; a failure leaves it invalid
// (icons then fall back to index 0), which is not an error.
void class_image_list_init(class_image_list_t& list, setup_api_c& api);
// Releases the list at exit.
void class_image_list_release(class_image_list_t& list, setup_api_c& api);
// The HIMAGELIST for list views that show device icons (0 when none).
uintptr_t class_image_list(const device_inventory_t& inventory);

// Enumerates the setup classes into inventory.classes: every class that has
// a name, sorted by description (UTF-16 code units, case matters). False with
// last-error code 16 when the class GUID list cannot be obtained.
bool class_list_build(device_inventory_t& inventory, setup_api_c& api);

// The class entry of a candidate device: by exact class name when the
// device has both a class name and a class GUID, else the entry "Unknown".
// Null when there is no such entry.
const device_class_t* class_find_for_device(const device_inventory_t& inventory, const device_t& device);

// Result order of a class name, case ignored: "Unknown" 0, "Display" 1,
// "MEDIA" 2, "Net" 3, "Image" 4, "Printer" 5, any other 6.
int32_t class_category(u16view class_name);

} // namespace tdu
