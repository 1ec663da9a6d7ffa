#pragma once
// A test machine: setup classes, device nodes and driver keys, read from the
// INI-style text described in tests/data/devices/README.md. The same machine
// feeds the fake Setup API of the native tests and, under Wine, a registry
// import, so both back ends scan the same machine.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"

namespace tdu::test {

struct fixture_class_t {
    u16 guid;                        // braced text
    std::optional<u16> name;         // the "Class" value; none: a class without name
    std::optional<u16> description;  // the key's default value
};

struct fixture_value_t {
    u16 name;
    uint32_t type = 0;  // reg_sz, reg_expand_sz, reg_multi_sz, reg_dword
    u16 text;           // sz / expand_sz text; multi_sz as a multi-string
    uint32_t number = 0;  // dword
};

struct fixture_driver_key_t {
    u16 key;  // "{class guid}\NNNN", below Control\Class
    std::vector<fixture_value_t> values;
    std::optional<uint32_t> rank;  // setup rank of the installed driver
    const fixture_value_t* find(u16view name) const;
};

struct fixture_device_t {
    u16 instance_id;
    std::optional<u16> friendly_name;
    std::optional<u16> description;
    std::optional<u16> class_guid;
    // The enumerator the fake reports; none: the first instance-ID component
    // (what Windows reports). "-" makes the property missing.
    std::optional<u16> enumerator;
    std::vector<u16> hardware_ids;
    std::vector<u16> compatible_ids;
    bool has_hardware_ids = false;    // the value exists (possibly empty)
    bool has_compatible_ids = false;
    bool present = true;
    std::optional<u16> driver;  // "{class guid}\NNNN"
};

struct machine_t {
    std::vector<fixture_class_t> classes;
    std::vector<fixture_device_t> devices;
    std::vector<fixture_driver_key_t> driver_keys;

    const fixture_class_t* find_class(u16view guid) const;  // GUID compared without regard to case
    const fixture_driver_key_t* find_driver_key(u16view key) const;
    // The class name of a device as the Setup API reports it: the name of the
    // class its class GUID names (none without GUID, class or name).
    std::optional<u16> class_name_of(const fixture_device_t& device) const;
};

// Parses a machine; throws std::runtime_error naming the line on bad input.
machine_t parse_machine(const std::string& text);
machine_t load_machine(const std::filesystem::path& file);

// A generated machine of `nodes` device nodes for load tests: about 30% of
// the nodes are duplicates or dropped by the scan rules.
machine_t generate_machine(int nodes);

} // namespace tdu::test
