#pragma once
// Windows tests only: puts a fixture machine into the registry the Setup API
// reads (HKLM\System\CurrentControlSet\Enum and Control\Class), and takes it
// out again. Under Wine, import only after the first process of the
// wineserver session has run (scripts/wine-prefix start does that), or Wine
// rebuilds its display devices over the import.
//
// Tests that import a machine share one registry: give them the ctest
// RESOURCE_LOCK "machine_registry" so they do not run side by side.
#include <string>

#include "devices/machine_fixture.h"

namespace tdu::test {

// Writes the machine: a key per device node below Enum (its instance ID),
// a key per driver key below Control\Class, and the class keys that do not
// exist yet (marked, so that removal deletes only those). Leftovers of an
// earlier run are removed first. False with `error` set on failure.
bool machine_registry_import(const machine_t& machine, std::string& error);

// Removes what machine_registry_import wrote: the device keys (and their
// parents once empty), the driver keys and the marked class keys.
void machine_registry_remove(const machine_t& machine);

// Imports on construction, removes on destruction.
class machine_registry_c {
public:
    explicit machine_registry_c(machine_t machine);
    ~machine_registry_c();
    machine_registry_c(const machine_registry_c&) = delete;
    machine_registry_c& operator=(const machine_registry_c&) = delete;
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    const machine_t& machine() const { return machine_; }

private:
    machine_t machine_;
    bool ok_ = false;
    std::string error_;
};

} // namespace tdu::test
