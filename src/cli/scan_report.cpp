#include "cli/scan_report.h"

#include "cli/json_writer.h"
#include "common/ansi_text.h"

#include <cstdio>

namespace tdu {

namespace {

std::string utf8(const char16_t* text) { return utf16_to_utf8(text); }

std::string device_text(const device_t& device)
{
    std::string text = utf8(device.name) + " (";
    if (device.has_driver)
        text += "installed " + utf8(device.driver_date) + " " + utf8(device.driver_version);
    else
        text += "no driver";
    if (device.instance_count > 1) text += ", " + std::to_string(device.instance_count) + " instances";
    return text + ")";
}

} // namespace

const char* group_status_text(group_status_t status)
{
    switch (status) {
    case group_status_t::update: return "update";
    case group_status_t::no_driver: return "no driver";
    case group_status_t::up_to_date: break;
    }
    return "up to date";
}

std::string scan_report_text(const device_inventory_t& inventory, int32_t total_nodes)
{
    std::string out = "Scanned " + std::to_string(total_nodes) + " device nodes: " +
                      std::to_string(inventory.devices.size()) + " devices kept, " +
                      std::to_string(devices_with_offers(inventory)) + " with offered drivers.\n";
    offer_grouping_t grouping = result_rows(inventory, offer_kind_t::best);
    for (const offer_group_t& group : grouping.groups) {
        char status[16];
        std::snprintf(status, sizeof status, "%-10s", group_status_text(group_status(group)));
        std::string devices;
        for (const device_t* d : group.devices) devices += (devices.empty() ? "" : "; ") + device_text(*d);
        const driver_offer_t& offer = *group.offer;
        out += std::string(status) + " | " + utf16_to_utf8(group_class_text(*group.devices.front())) + " | " + devices +
               " | offered " + utf8(offer.date) + " " + utf8(offer.version) + " (" + utf8(offer.title) + ")\n";
    }
    offer_counts_t counts = result_counts(inventory);
    out += "Out of date: " + std::to_string(counts.out_of_date) + ", no driver: " + std::to_string(counts.no_driver) +
           ", up to date: " + std::to_string(counts.up_to_date) + "\n";
    return out;
}

std::string scan_report_json(const device_inventory_t& inventory, int32_t total_nodes)
{
    json_writer_c json;
    json.begin_object();
    json.number_member("scanned_nodes", total_nodes);
    json.number_member("kept_devices", static_cast<int64_t>(inventory.devices.size()));
    json.number_member("devices_with_offers", static_cast<int64_t>(devices_with_offers(inventory)));

    json.key("groups");
    json.begin_array();
    offer_grouping_t grouping = result_rows(inventory, offer_kind_t::best);
    for (const offer_group_t& group : grouping.groups) {
        json.begin_object();
        json.text_member("status", group_status_text(group_status(group)));
        json.text_member("class", utf16_to_utf8(group_class_name(*group.devices.front())));
        json.text_member("class_description", utf16_to_utf8(group_class_text(*group.devices.front())));

        const driver_offer_t& offer = *group.offer;
        json.key("offer");
        json.begin_object();
        json.text_member("title", offer.title);
        json.text_member("date", offer.date);
        json.text_member("version", offer.version);
        json.text_member("manufacturer", offer.manufacturer);
        // The link is 8-bit text in the ANSI code page, like the answer it
        // came in; JSON wants UTF-8.
        json.text_member("link", ansi_to_utf16(offer.link));
        json.number_member("sign", offer.sign);
        json.end_object();

        json.key("devices");
        json.begin_array();
        for (const device_t* d : group.devices) {
            json.begin_object();
            json.text_member("id", d->device_id);
            json.text_member("name", d->name);
            json.number_member("instances", d->instance_count);
            json.key("installed");
            if (d->has_driver) {
                json.begin_object();
                json.text_member("date", d->driver_date);
                json.text_member("version", d->driver_version);
                json.text_member("provider", d->provider_name);
                json.end_object();
            } else {
                json.null();
            }
            json.bool_member("update", d->best_offer_better);
            json.end_object();
        }
        json.end_array();
        json.end_object();
    }
    json.end_array();

    offer_counts_t counts = result_counts(inventory);
    json.key("counts");
    json.begin_object();
    json.number_member("out_of_date", counts.out_of_date);
    json.number_member("no_driver", counts.no_driver);
    json.number_member("up_to_date", counts.up_to_date);
    json.end_object();
    json.end_object();
    return json.text() + "\n";
}

} // namespace tdu
