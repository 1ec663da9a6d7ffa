#pragma once
// The backup catalogue: which archives the backup folder holds, when each
// was last written and which devices used its package. In memory a list of
// entries; on disk "backup.xml" in the program's folder.
//
// The file is written to "backup.xml.tmp" first and moved over the old one
// only when complete, so a crash or a full disk never leaves a broken
// catalogue. Loading keeps only entries whose archive exists in the backup
// folder and whose first device is present in the current inventory, so the
// next save drops the others from the file.
#include "backup/driver_store.h"
#include "common/text.h"
#include "devices/device.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tdu {

// Field widths in characters, terminator included (longer text is cut).
constexpr size_t backup_device_id_chars = 200;
constexpr size_t backup_desc_chars = 1025;
constexpr size_t backup_manu_chars = 129;
constexpr size_t backup_name_chars = 260;
constexpr size_t backup_version_chars = 32;
constexpr size_t backup_date_chars = 11;
constexpr size_t backup_file_chars = 260;

// The texts a save writes for a device: its inventory record's own, copied
// when the backup is recorded or the catalogue loaded. A copy, not a
// reference to the record, since every scan frees the inventory's records.
struct backup_device_texts_t {
    u16 device_id;
    u16 name;
    u16 provider_name;
    u16 inf_path;
    u16 driver_version;
    u16 driver_date;
};

// One device of a backed-up package.
struct backup_device_t {
    bool has_current = false;       // `current` holds the inventory device's texts
    backup_device_texts_t current;  // (a record without them saves its own)
    u16 device_id;
    u16 desc;
    u16 manu;
    u16 name;     // the INF file name
    u16 version;
    u16 date;
    u16 backup_date;   // the date of the entry holding this record (set by loading)
    u16 archive_file;  // the archive file name of that entry (set by loading)
};

// Why an archive was written: by the user (the backup view, tdu-cli
// backup), or by an installation just before it replaced the package.
struct backup_origin_t {
    bool before_update = false;
    std::string replaced_by;  // the package that replaced it, ANSI code page; empty for the user's backups
};

// One archive. An entry taken before an update carries two attributes on
// its "driver" element, before_update="1" and replaced_by="...": older
// versions of the program read past them and still list the entry.
struct backup_entry_t {
    std::string file;  // archive file name without folder, ANSI code page
    std::string date;  // "%Y-%m-%d", local date of the last backup into it
    std::vector<backup_device_t> devices;
    backup_origin_t origin = {};
};

// The catalogue. Its lock is held while the list changes or is copied, so
// the backup worker can save while the interface shows it.
struct backup_catalogue_t {
    std::vector<backup_entry_t> entries;  // in file order, unique file names
    std::mutex lock;
};

// The process-wide catalogue.
extern backup_catalogue_t backup_catalogue;

// Where the catalogue lies: "backup.xml" in the program's folder.
u16 catalogue_path(u16view program_folder);

// The texts of an inventory device a save writes.
backup_device_texts_t current_texts_of(const device_t& device);

// A device's record as a backup of its package stores it.
backup_device_t backup_device_of(const device_t& device);
// The records of a package's devices, in order.
std::vector<backup_device_t> backup_devices_of(const driver_package_t& package);

// Updates the entry of `archive_path` (or appends one) with `today`'s date
// and the package's device records, then saves the catalogue; returns the
// result of saving.
int record_backup(backup_catalogue_t& catalogue, u16view archive_path, const std::vector<backup_device_t>& devices,
                  const std::string& today, u16view program_folder, const backup_origin_t& origin = {});
int record_backup(backup_catalogue_t& catalogue, u16view archive_path, const driver_package_t& package,
                  const std::string& today, u16view program_folder);

// The archive file name (without folder) for a package whose archive title
// is `title`: the title and ".zip", unless the catalogue holds that name for
// other devices (an entry with devices, none of whose IDs is among `devices`);
// then the first of "title (2).zip", "title (3).zip", ... that is free or
// already this package's. So two packages whose first devices share a
// driver description keep two archives, and an existing catalogue's names
// still resolve. Names compare without regard to ASCII case, as the file
// system compares them.
u16 archive_file_for(backup_catalogue_t& catalogue, u16view title, const std::vector<backup_device_t>& devices);

// Writes "backup.xml"; 0, or -1 when it cannot be written (the old file
// then stays as it was).
int save_catalogue(backup_catalogue_t& catalogue, u16view program_folder);

// Replaces the entries from "backup.xml": 0, or -1 when the file is missing,
// does not parse or has no "driver" element (the entries then stay as they
// were).
int load_catalogue(backup_catalogue_t& catalogue, u16view program_folder, u16view backup_folder,
                   const device_inventory_t& inventory);

// A copy of the entries, taken under the lock.
std::vector<backup_entry_t> catalogue_entries(backup_catalogue_t& catalogue);

// The entry to roll `device_id` back to: of the entries taken before an
// update that hold the device, the one written last (the latest date; the
// later in file order among equal dates). Null when there is none.
const backup_entry_t* rollback_entry_for(const std::vector<backup_entry_t>& entries, u16view device_id);

// Today's local date as "%Y-%m-%d".
std::string local_date_today();

// The document (see catalogue_document.cpp), with "\n" line ends.
std::string print_catalogue(const std::vector<backup_entry_t>& entries);

// Reads a document; false when it does not parse or has no "driver"
// element. `entries` receives what the rules keep.
bool parse_catalogue(std::string_view text, u16view backup_folder, const device_inventory_t& inventory,
                     std::vector<backup_entry_t>& entries);

} // namespace tdu
