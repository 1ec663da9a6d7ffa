#include "devices/offer_grouping.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace tdu {

namespace {

char16_t fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// The order of lstrcmpW for the class descriptions the groups show: letters
// compared without regard to case first, lower case before upper case on a
// tie, then code units.
int compare_descriptions(u16view a, u16view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            bool a_lower = a[i] >= u'a' && a[i] <= u'z';
            bool b_lower = b[i] >= u'a' && b[i] <= u'z';
            if (a_lower != b_lower) return a_lower ? -1 : 1;
            return a[i] < b[i] ? -1 : 1;
        }
    }
    return 0;
}

// The class name a device's category comes from: its class entry's (so a
// device without class name, tied to "Unknown", has category 0).
u16view category_name(const device_t& device)
{
    return device.device_class ? u16view(device.device_class->class_name) : u16view(device.class_name);
}

u16view class_description(const device_t& device)
{
    return device.device_class ? u16view(device.device_class->description) : u16view();
}

bool group_before(const offer_group_t& a, const offer_group_t& b)
{
    if (a.no_update != b.no_update) return a.no_update < b.no_update;
    const device_t& first_a = *a.devices.front();
    const device_t& first_b = *b.devices.front();
    int32_t category_a = class_category(category_name(first_a));
    int32_t category_b = class_category(category_name(first_b));
    if (category_a != category_b) return category_a < category_b;
    return compare_descriptions(class_description(first_a), class_description(first_b)) < 0;
}

} // namespace

void offer_grouping_build(offer_grouping_t& grouping, device_t* devices, int32_t count, int32_t mode)
{
    grouping.groups.clear();
    grouping.devices = devices;
    grouping.count = count;
    grouping.mode = mode;

    // Groups are found by link through an index, so grouping stays linear
    // in the number of devices.
    std::unordered_map<std::string_view, size_t> group_by_link;
    for (int32_t i = 0; i < count; ++i) {
        device_t& device = devices[i];
        const driver_offer_t* offer = mode == grouping_by_latest_offer ? device.latest_offer : device.best_offer;
        bool needs_update = mode == grouping_by_latest_offer ? device.latest_offer_newer : device.best_offer_better;
        if (!offer || offer->link[0] == '\0') continue;

        std::string_view link(offer->link);
        auto found = group_by_link.find(link);
        if (found == group_by_link.end()) {
            offer_group_t group;
            group.key = offer->link;
            group.no_update = needs_update ? 0 : 1;
            group.mode = mode;
            group.offer = offer;
            group.devices.push_back(&device);
            group_by_link.emplace(link, grouping.groups.size());
            grouping.groups.push_back(std::move(group));
        } else {
            offer_group_t& group = grouping.groups[found->second];
            group.devices.push_back(&device);
            if (needs_update) group.no_update = 0;
        }
    }
    if (count >= 2) std::stable_sort(grouping.groups.begin(), grouping.groups.end(), group_before);
}

} // namespace tdu
