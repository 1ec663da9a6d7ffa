#include "ui/model/device_details.h"

#include "devices/driver_offer.h"

#include <algorithm>
#include <cstdio>

namespace tdu {

namespace {

u16 field(const char16_t* text)
{
    return u16(text, u16_length(text));
}

u16 first_id(const u16& multi_string)
{
    std::vector<u16> ids = device_id_list(multi_string);
    return ids.empty() ? u16() : ids.front();
}

u16 rank_text(uint32_t rank)
{
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(rank));
    return u16(digits, digits + 8);
}

u16 inf_file_name(const char16_t* inf_name)
{
    u16 name = field(inf_name);
    size_t cut = name.find_last_of(u'\\');
    return cut == u16::npos ? name : name.substr(cut + 1);
}

} // namespace

device_details_t device_details(const device_t& device, u16view blank_text)
{
    const driver_offer_t* offer = device.best_offer;
    const u16 blank(blank_text);
    auto offered = [&](const char16_t* text) { return offer ? field(text) : blank; };
    const device_class_t* cls = device.device_class;
    return {{
        {lang::device_detail_list_device_id, field(device.device_id), blank},
        {lang::device_detail_list_device_desc, field(device.driver_desc), offered(offer ? offer->description : nullptr)},
        {lang::device_detail_list_matching_device_id, field(device.matching_device_id),
         offered(offer ? offer->hardid : nullptr)},
        {lang::device_detail_list_hardware_ids, first_id(device.hardware_ids), blank},
        {lang::device_detail_list_compatible_ids, first_id(device.compatible_ids), blank},
        {lang::device_detail_list_manufacturer, field(device.provider_name),
         offered(offer ? offer->manufacturer : nullptr)},
        {lang::device_detail_list_inf_name, field(device.inf_path), offer ? inf_file_name(offer->inf_name) : blank},
        {lang::device_detail_list_inf_date, field(device.driver_date), offered(offer ? offer->date : nullptr)},
        {lang::device_detail_list_inf_version, field(device.driver_version), offered(offer ? offer->version : nullptr)},
        {lang::device_detail_list_class_name, cls ? field(cls->class_name) : field(device.class_name), blank},
        {lang::device_detail_list_class_desc, cls ? field(cls->description) : u16(), blank},
        {lang::device_detail_list_enumerator, field(device.enumerator), blank},
        {lang::device_detail_list_rank_of_installed_driver, rank_text(device.driver_rank), blank},
    }};
}

detail_column_widths_t detail_column_widths(int widest_name, int total)
{
    const int narrowest = 130;
    const int widest = std::max(narrowest, total * 2 / 5);
    const int name = std::clamp(widest_name, narrowest, widest);
    const int rest = std::max(0, total - name);
    return {name, rest - rest / 2, rest / 2};
}

int32_t selected_device(intptr_t selection, size_t devices)
{
    if (selection < 0 || static_cast<size_t>(selection) >= devices) return -1;
    return static_cast<int32_t>(selection);
}

} // namespace tdu
