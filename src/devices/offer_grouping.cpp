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

constexpr size_t category_count = 7;  // class_category answers 0 to 6

// Orders the groups as a stable sort by (no_update, category of the first
// device, class description of the first device) would, in linear time: a
// machine has few class descriptions, so they are ranked once, and the
// groups are then counted into one bucket per key and laid out in bucket
// order, each bucket in the groups' own order.
void order_groups(std::vector<offer_group_t>& groups)
{
    std::unordered_map<u16view, size_t> rank_of;
    std::vector<u16view> descriptions;
    for (const offer_group_t& g : groups) {
        u16view d = class_description(*g.devices.front());
        if (rank_of.emplace(d, 0).second) descriptions.push_back(d);
    }
    std::sort(descriptions.begin(), descriptions.end(),
              [](u16view a, u16view b) { return compare_descriptions(a, b) < 0; });
    for (size_t i = 0; i < descriptions.size(); ++i) rank_of[descriptions[i]] = i;

    const size_t ranks = descriptions.size();
    std::vector<size_t> key(groups.size());
    std::vector<size_t> start(2 * category_count * ranks + 1, 0);
    for (size_t i = 0; i < groups.size(); ++i) {
        const device_t& first = *groups[i].devices.front();
        size_t category = static_cast<size_t>(class_category(category_name(first)));
        key[i] = (static_cast<size_t>(groups[i].no_update) * category_count + category) * ranks +
                 rank_of[class_description(first)];
        ++start[key[i] + 1];
    }
    for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
    std::vector<offer_group_t> ordered(groups.size());
    for (size_t i = 0; i < groups.size(); ++i) ordered[start[key[i]]++] = std::move(groups[i]);
    groups.swap(ordered);
}

} // namespace

void offer_grouping_build(offer_grouping_t& grouping, const device_t* devices, int32_t count, int32_t mode)
{
    grouping.groups.clear();
    grouping.devices = devices;
    grouping.count = count;
    grouping.mode = mode;

    // Groups are found by link through an index, so grouping stays linear
    // in the number of devices.
    std::unordered_map<std::string_view, size_t> group_by_link;
    for (int32_t i = 0; i < count; ++i) {
        const device_t& device = devices[i];
        const driver_offer_t* offer = mode == grouping_by_latest_offer ? device.latest_offer : device.best_offer;
        bool needs_update = mode == grouping_by_latest_offer ? device.latest_offer_newer : device.best_offer_better;
        if (!offer || offer->link[0] == '\0') continue;

        std::string_view link(offer->link);
        auto found = group_by_link.find(link);
        if (found == group_by_link.end()) {
            offer_group_t group;
            group.key = offer->link;
            group.no_update = !needs_update;
            group.mode = mode;
            group.offer = offer;
            group.devices.push_back(&device);
            group_by_link.emplace(link, grouping.groups.size());
            grouping.groups.push_back(std::move(group));
        } else {
            offer_group_t& group = grouping.groups[found->second];
            group.devices.push_back(&device);
            if (needs_update) group.no_update = false;
        }
    }
    if (grouping.groups.size() >= 2) order_groups(grouping.groups);
}

} // namespace tdu
