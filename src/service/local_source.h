#pragma once
// Offers from a local driver folder instead of the update service: the
// folder is indexed (offers/folder_catalogue.h) on the request's worker,
// the inventory's IDs are matched against it, and the answer document the
// service would write goes to the same answer reader and ranking.
//
// The answer is not signature-checked: the signature proves that an answer
// read off the network comes from a trusted service and answers this
// request. A locally built answer never crossed a network: it is made in
// this process from the folder the user named, and the trust placed in
// that folder is the user's choice. What still protects the installation
// is each package's SHA-256, computed at index time and checked after the
// "download" (a copy through a file:// link) as for any offer.
#include "common/text.h"
#include "offers/folder_catalogue.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tdu {

struct device_inventory_t;
struct update_client_t;
struct update_request_t;

struct local_source_t {
    u16 folder; // the driver folder
    u16 cache;  // the program's own folder for it (zipped folder packages, an index)
    offers::folder_catalogue_t catalogue;
    offers::folder_index_progress_t progress;
    offers::folder_index_report_t report; // of the latest index run
    std::string error;                    // why the latest run failed
    std::atomic<int32_t> stop{0};
};

// The source for `folder`, its cache below `download_folder`
// ("driver-folders\<digits of the folder's path>").
std::shared_ptr<local_source_t> make_local_source(u16view folder, u16view download_folder);

// Indexes the folder and answers the request from it (what
// send_update_request does when the client has a local source). False with
// last-error code error_driver_folder and the reason in the request's
// error_text when the folder cannot be used; error_bad_response when the
// answer is not understood.
bool answer_from_local_source(update_client_t& client, local_source_t& source, device_inventory_t& inventory,
                             update_request_t& request);

} // namespace tdu
