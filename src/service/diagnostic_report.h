#pragma once
// The diagnostic report composed whenever the results are shown: the counts,
// the machine, every result row with its devices and offer, and the devices
// the service had nothing for. The text lives in one process-wide buffer and
// is handed to a sender on a worker thread; the shipped sender transmits
// nothing.
//
//   <?xml version="1.0" encoding="UTF-8" ?>
//   <kelptone>
//   	<action>ACTION_DEBUG_INFO</action>
//   	<summary out_of_date="1" up_to_date="2" no_driver="0" />
//   	<machine os="..." arch="32-bit" cpu="..." memory="..." />
//   	<out_of_date>  one <driver> per row that brings an update
//   	<up_to_date>   one <driver> per row that does not
//   	<not_found>    one <local> per device without offers
//   </kelptone>
//
// A <driver> holds <title>, <link> and per device of its row a <device> with
// <local> (the device) and <server> (the row's offer). Texts are UTF-8, the
// ID lists in the ANSI code page, links byte for byte.
#include "common/text.h"
#include "devices/device.h"
#include "devices/offer_grouping.h"
#include "service/offer_ranking.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tdu {

// The machine facts the report carries (system information and the 64-bit
// test of the platform facts).
struct report_machine_t {
    u16 os_description;
    u16 processor_name;
    u16 memory_size;
    bool is_64bit = false;
};

// The report text for these rows and counts.
std::string compose_diagnostic_report(const std::vector<offer_group_t>& rows, const offer_counts_t& counts,
                                      const device_inventory_t& inventory, const report_machine_t& machine);

// Composes the report into the process-wide buffer, replacing the last one.
void build_diagnostic_report(const std::vector<offer_group_t>& rows, const offer_counts_t& counts,
                             const device_inventory_t& inventory, const report_machine_t& machine);

// The latest report (null before the first one). A holder keeps its text
// even when a newer report replaces it in the buffer.
std::shared_ptr<const std::string> diagnostic_report();

// Builds the report, then runs the sender on a detached worker thread with
// the report's text.
void send_diagnostic_report(const std::vector<offer_group_t>& rows, const offer_counts_t& counts,
                            const device_inventory_t& inventory, const report_machine_t& machine);

// The sender: receives the zero-terminated text, returns 0. The shipped one
// transmits nothing; tests put their own in place (null restores it).
using report_sender_t = int32_t (*)(const char* text);
void set_report_sender(report_sender_t sender);

// Frees the buffer at exit.
void release_diagnostic_report();

} // namespace tdu
