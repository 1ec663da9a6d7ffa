#pragma once
// Device and offer records for the update-service tests, built in code.
#include "devices/device.h"
#include "devices/driver_offer.h"

#include <vector>

namespace tdu::test {

struct device_fields_t {
    u16 id;
    u16 name;
    u16 class_name = u"Net";
    u16 enumerator = u"PCI";
    std::vector<u16> hardware_ids;
    std::vector<u16> compatible_ids;
    bool has_driver = false;
    u16 matching_id, date, version, provider, inf;
    uint32_t rank = 0;
    int32_t instance_count = 1;
};
device_t make_device(const device_fields_t& fields);

// Four devices that show every shape of the request: a driver with both ID
// lists, no driver, no compatible IDs, IDs with characters outside the ANSI
// code page and with XML markup characters.
device_inventory_t sample_inventory();

struct offer_fields_t {
    u16 hardid = u"PCI\\VEN_8086&DEV_100E";
    u16 date = u"2013-05-01";
    u16 version = u"1.0.0.0";
    std::string link = "http://127.0.0.1/pkg.zip";
    uint32_t targetos = 61, sign = 0, feature = 0, cp = 0;
    u16 title = u"Driver";
};
driver_offer_t make_offer(const offer_fields_t& fields);

// Gives `device` these offers (replacing any it had).
void set_offers(device_t& device, const std::vector<driver_offer_t>& offers);

} // namespace tdu::test
