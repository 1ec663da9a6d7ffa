#pragma once
// Holds a scan result against an expected device list (both back ends).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "devices/device.h"
#include "devices/scan_expectations.h"

namespace tdu::test {

inline u16 joined_ids(const u16& multi_string)
{
    u16 out;
    for (const u16& id : device_id_list(multi_string)) out += (out.empty() ? u"" : u"|") + id;
    return out;
}

inline std::string narrow(u16view text) { return utf16_to_utf8(text); }

inline void expect_device(const device_t& d, const expected_device_t& e)
{
    SCOPED_TRACE(narrow(e.device_id));
    EXPECT_EQ(narrow(d.device_id), narrow(e.device_id));
    EXPECT_EQ(narrow(d.name), narrow(e.name));
    EXPECT_EQ(narrow(d.enumerator), narrow(e.enumerator));
    EXPECT_EQ(narrow(d.class_name), narrow(e.class_name));
    ASSERT_NE(d.device_class, nullptr);
    EXPECT_EQ(narrow(d.device_class->class_name), narrow(e.class_entry));
    EXPECT_EQ(d.instance_count, e.instance_count);
    EXPECT_EQ(d.has_driver, e.has_driver);
    EXPECT_EQ(narrow(d.driver_version), narrow(e.driver_version));
    EXPECT_EQ(narrow(d.inf_path), narrow(e.inf_path));
    EXPECT_EQ(narrow(d.driver_date), narrow(e.driver_date));
    EXPECT_EQ(narrow(d.driver_desc), narrow(e.driver_desc));
    EXPECT_EQ(narrow(d.provider_name), narrow(e.provider_name));
    EXPECT_EQ(narrow(d.matching_device_id), narrow(e.matching_device_id));
    EXPECT_EQ(d.driver_rank, e.rank);
    EXPECT_EQ(d.is_present, e.present);
    EXPECT_EQ(narrow(joined_ids(d.hardware_ids)), narrow(e.hardware_ids));
    EXPECT_EQ(narrow(joined_ids(d.compatible_ids)), narrow(e.compatible_ids));
    // What a scan leaves empty for the update answer.
    EXPECT_EQ(d.offers, nullptr);
    EXPECT_EQ(d.offer_count, 0);
    EXPECT_EQ(d.best_offer, nullptr);
    EXPECT_EQ(d.latest_offer, nullptr);
    EXPECT_FALSE(d.best_offer_better);
    EXPECT_FALSE(d.latest_offer_newer);
}

// The devices of `devices` whose IDs are in `expected`, compared one by one
// in device-ID order; a kept device that is not expected, or an expected one
// that is missing, fails.
inline void expect_devices(const std::vector<const device_t*>& devices, std::vector<expected_device_t> expected)
{
    std::vector<const device_t*> sorted(devices);
    std::sort(sorted.begin(), sorted.end(),
              [](const device_t* a, const device_t* b) { return u16view(a->device_id) < u16view(b->device_id); });
    std::sort(expected.begin(), expected.end(),
              [](const expected_device_t& a, const expected_device_t& b) { return a.device_id < b.device_id; });
    std::vector<std::string> got_ids, expected_ids;
    for (const device_t* d : sorted) got_ids.push_back(narrow(d->device_id));
    for (const expected_device_t& e : expected) expected_ids.push_back(narrow(e.device_id));
    ASSERT_EQ(got_ids, expected_ids);
    for (size_t i = 0; i < expected.size(); ++i) expect_device(*sorted[i], expected[i]);
}

} // namespace tdu::test
