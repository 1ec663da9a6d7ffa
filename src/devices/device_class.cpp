#include "devices/device_class.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/last_error.h"
#include "devices/device.h"
#include "devices/grow_buffer.h"
#include "devices/setup_api.h"

namespace tdu {

bool operator==(const guid_t& a, const guid_t& b)
{
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

namespace {

void put_hex(u16& out, uint32_t value, int digits)
{
    static const char hex[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back(static_cast<char16_t>(hex[(value >> shift) & 0xF]));
}

int hex_value(char16_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits of `text` from `pos`.
bool read_hex(u16view text, size_t pos, int digits, uint32_t& out)
{
    out = 0;
    for (int i = 0; i < digits; ++i) {
        int v = hex_value(text[pos + i]);
        if (v < 0) return false;
        out = (out << 4) | static_cast<uint32_t>(v);
    }
    return true;
}

} // namespace

u16 guid_to_text(const guid_t& guid)
{
    u16 out;
    out.reserve(38);
    out.push_back(u'{');
    put_hex(out, guid.data1, 8);
    out.push_back(u'-');
    put_hex(out, guid.data2, 4);
    out.push_back(u'-');
    put_hex(out, guid.data3, 4);
    out.push_back(u'-');
    put_hex(out, guid.data4[0], 2);
    put_hex(out, guid.data4[1], 2);
    out.push_back(u'-');
    for (int i = 2; i < 8; ++i) put_hex(out, guid.data4[i], 2);
    out.push_back(u'}');
    return out;
}

bool guid_from_text(u16view text, guid_t& out)
{
    if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-' ||
        text[19] != u'-' || text[24] != u'-')
        return false;
    guid_t g;
    uint32_t v;
    if (!read_hex(text, 1, 8, g.data1)) return false;
    if (!read_hex(text, 10, 4, v)) return false;
    g.data2 = static_cast<uint16_t>(v);
    if (!read_hex(text, 15, 4, v)) return false;
    g.data3 = static_cast<uint16_t>(v);
    static const size_t byte_pos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!read_hex(text, byte_pos[i], 2, v)) return false;
        g.data4[i] = static_cast<uint8_t>(v);
    }
    out = g;
    return true;
}

void class_image_list_init(class_image_list_t& list, setup_api_c& api)
{
    class_image_list_t made;
    made.valid = api.get_class_image_list(made);
    if (!made.valid) made = class_image_list_t{};
    list = made;
}

void class_image_list_release(class_image_list_t& list, setup_api_c& api)
{
    if (list.valid) api.destroy_class_image_list(list);
    list = class_image_list_t{};
}

uintptr_t class_image_list(const device_inventory_t& inventory)
{
    return inventory.class_image_list.image_list;
}

namespace {

constexpr uint32_t description_room = 256;
constexpr uint32_t class_name_room = 1024;

bool read_class_guids(setup_api_c& api, std::vector<guid_t>& guids)
{
    guids.clear();
    uint32_t required = 0;
    for (int round = 0; round < max_growth_rounds; ++round) {
        if (api.build_class_info_list(guids.data(), static_cast<uint32_t>(guids.size()), &required)) {
            guids.resize(std::min<size_t>(required, guids.size()));
            return true;
        }
        if (api.last_error() != win32_error::insufficient_buffer || required <= guids.size()) return false;
        if (!grow_buffer(guids, required)) return false;
    }
    return false;
}

// The class name, grown from 1024 units to what the call asks for.
bool read_class_name(setup_api_c& api, const guid_t& guid, u16& name)
{
    return read_growing_text(
        api, class_name_room,
        [&](char16_t* buffer, uint32_t capacity, uint32_t* required) {
            return api.class_name_from_guid(guid, buffer, capacity, required);
        },
        name);
}

} // namespace

bool class_list_build(device_inventory_t& inventory, setup_api_c& api)
{
    inventory.classes.clear();
    std::vector<guid_t> guids;
    if (!read_class_guids(api, guids)) {
        set_last_error(error_class_list);
        return false;
    }

    std::vector<device_class_t> classes;
    classes.reserve(guids.size());
    for (const guid_t& guid : guids) {
        device_class_t entry;
        entry.guid = guid;
        copy_field(entry.guid_text, guid_text_chars, guid_to_text(guid));
        char16_t description[description_room] = {};
        if (api.class_description(guid, description, description_room, nullptr)) {
            description[description_room - 1] = 0;
            copy_field(entry.description, class_description_chars, description);
        }
        entry.image_list = inventory.class_image_list.image_list;
        int32_t index = 0;
        if (inventory.class_image_list.valid && api.class_image_index(inventory.class_image_list, guid, &index))
            entry.image_index = index;

        // A class whose name cannot be read is left out.
        u16 name;
        if (!read_class_name(api, guid, name)) continue;
        copy_field(entry.class_name, class_name_chars, name);
        classes.push_back(entry);
    }
    std::stable_sort(classes.begin(), classes.end(), [](const device_class_t& a, const device_class_t& b) {
        return u16view(a.description) < u16view(b.description);
    });
    inventory.classes = std::move(classes);
    return true;
}

const device_class_t* class_find_for_device(const device_inventory_t& inventory, const device_t& device)
{
    u16view wanted = (device.class_name[0] && device.class_guid[0]) ? u16view(device.class_name) : u16view(u"Unknown");
    for (const device_class_t& entry : inventory.classes) {
        if (u16view(entry.class_name) == wanted) return &entry;
    }
    return nullptr;
}

int32_t class_category(u16view class_name)
{
    static const char16_t* const order[] = {u"Unknown", u"Display", u"MEDIA", u"Net", u"Image", u"Printer"};
    for (int32_t i = 0; i < 6; ++i) {
        if (equals_ignore_case_ascii(class_name, order[i])) return i;
    }
    return 6;
}

} // namespace tdu
