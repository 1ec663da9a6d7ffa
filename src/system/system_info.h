#pragma once
// The hardware and system texts the program reads once through WMI at
// start-up: the scan view's side bar shows them, the update request sends the
// computer model and the diagnostic report carries the system, processor and
// memory texts. Written once on the UI thread before the main window exists,
// read-only afterwards (also from the update request thread).
#include "common/text.h"

#include <cstdint>
#include <functional>

namespace tdu {

struct system_info_t {
    u16 memory_size;     // Win32_PhysicalMemory Capacity, summed, as format_byte_size
    u16 processor_name;  // Win32_Processor name
    u16 os_description;  // Win32_OperatingSystem Caption, " Build " BuildNumber, " " CSDVersion
    u16 disk_model;      // Win32_DiskDrive Model
    u16 display_name;    // Win32_DisplayConfiguration Caption
    u16 sound_device;    // Win32_SoundDevice Description
    u16 computer_model;  // Win32_ComputerSystem Model; the update request's "model"
};

// The process-wide instance.
extern system_info_t system_info;

// Where the texts come from: WMI through COM on Windows, a table in native
// tests. COM itself is initialised by start-up, on the calling thread.
class wmi_source_c {
public:
    virtual ~wmi_source_c() = default;
    // The process's COM security: default authentication, impersonation.
    virtual bool initialize_security() = 0;
    // The locator, the connection to ROOT\CIMV2 and the security blanket of
    // its proxy; false when any of them fails, with nothing left open.
    virtual bool connect() = 0;
    virtual void disconnect() = 0;
    // Runs one WQL query on the connection and hands `visit` the property of
    // each object in turn: its text, or null when the property cannot be read
    // or holds no value. `visit` answers false to stop early. False when the
    // query cannot be run.
    using visitor_t = std::function<bool(const char16_t* value)>;
    virtual bool query(u16view wql, u16view property, const visitor_t& visit) = 0;
};

// Fills `info`: 0, or -1 when WMI cannot be reached (security, locator,
// connection or proxy blanket failed); start-up then stops with code 2. A
// single query that fails or finds no value leaves its text empty.
int collect_system_info(wmi_source_c& source, system_info_t& info);

// Runs one query and stores in `target` the property's first value that is
// present and not null (empty when there is none): 0, or -1 when the query
// cannot be run (`target` is then empty too).
int wmi_query_text(wmi_source_c& source, u16view query, u16view property, u16& target);

// A decimal text read as a signed 64-bit number the way the C library's
// wide-text conversion reads it: leading blanks, an optional sign, digits up
// to the first other character; 0 when there are none; values past the range
// stop at its ends.
int64_t parse_decimal_int64(const char16_t* text);

// The WMI source over COM (Windows build only).
wmi_source_c& win32_wmi_source();

} // namespace tdu
