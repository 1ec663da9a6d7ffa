#include "backup/backup_catalogue.h"

#include "common/ansi_text.h"
#include "common/files.h"
#include "common/ignore_case.h"

#include <cstdio>
#include <ctime>

namespace tdu {

backup_catalogue_t backup_catalogue;

namespace {

// The catalogue larger than this is no catalogue the program wrote.
constexpr long max_catalogue_bytes = 64L * 1024 * 1024;

u16 cut(u16view text, size_t chars)
{
    return u16(text.substr(0, chars - 1));
}

// The document as a file opened in text mode ("w") on Windows holds it:
// every "\n" written as "\r\n", the same bytes on both targets.
std::string with_crlf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

int save_locked(const std::vector<backup_entry_t>& entries, u16view program_folder)
{
    std::string bytes = with_crlf(print_catalogue(entries));
    u16 path = catalogue_path(program_folder);
    u16 partial = path + u".tmp";
    std::FILE* file = open_file(partial.c_str(), "wb");
    if (!file) return -1;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok || !move_file(partial, path)) {
        remove_file(partial.c_str());
        return -1;
    }
    return 0;
}

bool read_whole_file(const u16& path, std::string& bytes)
{
    std::FILE* file = open_file(path.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    char buffer[16384];
    bool ok = true;
    for (;;) {
        size_t n = std::fread(buffer, 1, sizeof buffer, file);
        bytes.append(buffer, n);
        if (static_cast<long>(bytes.size()) > max_catalogue_bytes) ok = false;
        if (!ok || n < sizeof buffer) break;
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    return ok;
}

} // namespace

u16 catalogue_path(u16view program_folder)
{
    return path_join(program_folder, u"backup.xml");
}

backup_device_texts_t current_texts_of(const device_t& device)
{
    return {u16(device.device_id),     u16(device.name),           u16(device.provider_name),
            u16(device.inf_path),      u16(device.driver_version), u16(device.driver_date)};
}

backup_device_t backup_device_of(const device_t& device)
{
    backup_device_t record;
    record.has_current = true;
    record.current = current_texts_of(device);
    record.device_id = cut(device.device_id, backup_device_id_chars);
    record.desc = cut(device.driver_desc, backup_desc_chars);
    record.manu = cut(device.provider_name, backup_manu_chars);
    record.name = cut(device.inf_path, backup_name_chars);
    record.version = cut(device.driver_version, backup_version_chars);
    record.date = cut(device.driver_date, backup_date_chars);
    return record;
}

std::vector<backup_device_t> backup_devices_of(const driver_package_t& package)
{
    std::vector<backup_device_t> devices;
    for (const device_t* device : package.devices) devices.push_back(backup_device_of(*device));
    return devices;
}

int record_backup(backup_catalogue_t& catalogue, u16view archive_path, const driver_package_t& package,
                  const std::string& today, u16view program_folder)
{
    return record_backup(catalogue, archive_path, backup_devices_of(package), today, program_folder);
}

int record_backup(backup_catalogue_t& catalogue, u16view archive_path, const std::vector<backup_device_t>& devices,
                  const std::string& today, u16view program_folder, const backup_origin_t& origin)
{
    std::string file = utf16_to_ansi(path_file_name(archive_path)).substr(0, backup_file_chars - 1);

    std::lock_guard<std::mutex> hold(catalogue.lock);
    backup_entry_t* entry = nullptr;
    for (backup_entry_t& e : catalogue.entries) {
        if (e.file == file) {
            entry = &e;
            break;
        }
    }
    if (!entry) {
        catalogue.entries.push_back({file, {}, {}});
        entry = &catalogue.entries.back();
    }
    entry->date = today.substr(0, backup_date_chars - 1);
    entry->devices = devices;
    // The archive now holds what this backup wrote: a user's backup into an
    // archive an update wrote before is no longer the way back from it.
    entry->origin = origin;
    return save_locked(catalogue.entries, program_folder);
}

u16 archive_file_for(backup_catalogue_t& catalogue, u16view title, const std::vector<backup_device_t>& devices)
{
    std::lock_guard<std::mutex> hold(catalogue.lock);
    // An entry without devices restores nothing and counts as nobody's.
    auto ours = [&](const backup_entry_t& entry) {
        if (entry.devices.empty()) return true;
        for (const backup_device_t& a : entry.devices)
            for (const backup_device_t& b : devices)
                if (a.device_id == b.device_id) return true;
        return false;
    };
    auto taken = [&](const u16& name) {
        u16view file(name);
        for (const backup_entry_t& entry : catalogue.entries)
            if (equals_ignore_case_ascii(ansi_to_utf16(entry.file), file) && !ours(entry)) return true;
        return false;
    };
    u16 name = u16(title) + u".zip";
    for (int n = 2; taken(name); ++n) name = u16(title) + u" (" + ascii_to_utf16(std::to_string(n)) + u").zip";
    return name;
}

int save_catalogue(backup_catalogue_t& catalogue, u16view program_folder)
{
    std::lock_guard<std::mutex> hold(catalogue.lock);
    return save_locked(catalogue.entries, program_folder);
}

int load_catalogue(backup_catalogue_t& catalogue, u16view program_folder, u16view backup_folder,
                   const device_inventory_t& inventory)
{
    // Held from reading to replacing: a save in between would otherwise be
    // undone by the older file's entries.
    std::lock_guard<std::mutex> hold(catalogue.lock);
    std::string bytes;
    if (!read_whole_file(catalogue_path(program_folder), bytes)) return -1;
    std::vector<backup_entry_t> entries;
    if (!parse_catalogue(bytes, backup_folder, inventory, entries)) return -1;
    catalogue.entries = std::move(entries);
    return 0;
}

std::vector<backup_entry_t> catalogue_entries(backup_catalogue_t& catalogue)
{
    std::lock_guard<std::mutex> hold(catalogue.lock);
    return catalogue.entries;
}

const backup_entry_t* rollback_entry_for(const std::vector<backup_entry_t>& entries, u16view device_id)
{
    const backup_entry_t* chosen = nullptr;
    for (const backup_entry_t& entry : entries) {
        if (!entry.origin.before_update) continue;
        bool holds = false;
        for (const backup_device_t& d : entry.devices) holds = holds || equals_ignore_case(d.device_id, device_id);
        // "%Y-%m-%d" dates order as text.
        if (holds && (!chosen || entry.date >= chosen->date)) chosen = &entry;
    }
    return chosen;
}

std::string local_date_today()
{
    // std::localtime shares one result between threads.
    static std::mutex clock_lock;
    std::lock_guard<std::mutex> hold(clock_lock);
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char text[16] = "";
    if (local) std::strftime(text, sizeof text, "%Y-%m-%d", local);
    return text;
}

} // namespace tdu
