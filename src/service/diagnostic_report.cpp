#include "service/diagnostic_report.h"

#include "common/ansi_text.h"
#include "common/worker.h"
#include "common/xml_writer.h"
#include "service/request_document.h"

#include <atomic>
#include <mutex>

namespace tdu {
namespace {

std::mutex buffer_lock;
std::shared_ptr<const std::string> report_buffer;

int32_t send_nothing(const char*) { return 0; }
std::atomic<report_sender_t> report_sender{send_nothing};

std::string utf8(u16view text) { return utf16_to_utf8(text); }

void add_local(TiXmlNode& parent, const device_t& device)
{
    TiXmlElement* local = add_element(parent, "local");
    add_cdata_element(*local, "id", utf8(device.device_id));
    add_text_element(*local, "desc", utf8(device.name));
    add_text_element(*local, "class", utf8(device.class_name));
    add_text_element(*local, "enumerator", utf8(device.enumerator));
    std::string hardware_ids = join_device_ids(device.hardware_ids);
    if (!hardware_ids.empty()) add_cdata_element(*local, "hids", hardware_ids);
    std::string compatible_ids = join_device_ids(device.compatible_ids);
    if (!compatible_ids.empty()) add_cdata_element(*local, "cids", compatible_ids);
    add_cdata_element(*local, "mid", utf8(device.matching_device_id));
    add_text_element(*local, "date", utf8(device.driver_date));
    add_text_element(*local, "version", utf8(device.driver_version));
    add_text_element(*local, "manu", utf8(device.provider_name));
    add_text_element(*local, "inf", utf8(device.inf_path));
}

void add_server(TiXmlNode& parent, const driver_offer_t& offer)
{
    TiXmlElement* server = add_element(parent, "server");
    add_text_element(*server, "desc", utf8(offer.description));
    add_cdata_element(*server, "mid", utf8(offer.hardid));
    add_text_element(*server, "date", utf8(offer.date));
    add_text_element(*server, "version", utf8(offer.version));
    add_text_element(*server, "manu", utf8(offer.manufacturer));
    add_text_element(*server, "inf", utf8(offer.inf_name));
    add_text_element(*server, "size", std::to_string(offer.size));
}

void add_driver(TiXmlNode& parent, const offer_group_t& row)
{
    TiXmlElement* driver = add_element(parent, "driver");
    add_text_element(*driver, "title", row.offer ? utf8(row.offer->title) : std::string());
    add_text_element(*driver, "link", row.offer ? row.offer->link : "");
    for (const device_t* device : row.devices) {
        TiXmlElement* element = add_element(*driver, "device");
        add_local(*element, *device);
        if (row.offer) add_server(*element, *row.offer);
    }
}

} // namespace

std::string compose_diagnostic_report(const std::vector<offer_group_t>& rows, const offer_counts_t& counts,
                                      const device_inventory_t& inventory, const report_machine_t& machine)
{
    TiXmlDocument document;
    add_utf8_declaration(document);
    TiXmlElement* root = add_element(document, "kelptone");
    add_text_element(*root, "action", "ACTION_DEBUG_INFO");
    TiXmlElement* summary = add_element(*root, "summary");
    summary->SetAttribute("out_of_date", std::to_string(counts.out_of_date));
    summary->SetAttribute("up_to_date", std::to_string(counts.up_to_date));
    summary->SetAttribute("no_driver", std::to_string(counts.no_driver));
    TiXmlElement* host = add_element(*root, "machine");
    host->SetAttribute("os", utf8(machine.os_description));
    host->SetAttribute("arch", machine.is_64bit ? "64-bit" : "32-bit");
    host->SetAttribute("cpu", utf8(machine.processor_name));
    host->SetAttribute("memory", utf8(machine.memory_size));

    TiXmlElement* out_of_date = add_element(*root, "out_of_date");
    TiXmlElement* up_to_date = add_element(*root, "up_to_date");
    for (const offer_group_t& row : rows) add_driver(row.no_update ? *up_to_date : *out_of_date, row);
    TiXmlElement* not_found = add_element(*root, "not_found");
    for (const device_t& device : inventory.devices)
        if (!device.offers) add_local(*not_found, device);
    return print_document(document);
}

void build_diagnostic_report(const std::vector<offer_group_t>& rows, const offer_counts_t& counts,
                             const device_inventory_t& inventory, const report_machine_t& machine)
{
    auto text = std::make_shared<const std::string>(compose_diagnostic_report(rows, counts, inventory, machine));
    std::lock_guard<std::mutex> g(buffer_lock);
    report_buffer = std::move(text);
}

std::shared_ptr<const std::string> diagnostic_report()
{
    std::lock_guard<std::mutex> g(buffer_lock);
    return report_buffer;
}

void send_diagnostic_report(const std::vector<offer_group_t>& rows, const offer_counts_t& counts,
                            const device_inventory_t& inventory, const report_machine_t& machine)
{
    build_diagnostic_report(rows, counts, inventory, machine);
    // The worker holds its own reference to this report's text, so a newer
    // report never frees it under the sender; nobody waits for the worker.
    std::shared_ptr<const std::string> text = diagnostic_report();
    report_sender_t sender = report_sender.load();
    worker_c worker;
    worker.start([text, sender](const stop_flag_t&) { return static_cast<int32_t>(sender(text->c_str())); });
}

void set_report_sender(report_sender_t sender)
{
    report_sender.store(sender ? sender : send_nothing);
}

void release_diagnostic_report()
{
    std::lock_guard<std::mutex> g(buffer_lock);
    report_buffer.reset();
}

} // namespace tdu
