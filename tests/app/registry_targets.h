#pragma once
// The registries the registry and settings tests run against: the in-memory
// one in both builds, and the real registry of the Wine prefix in the
// Windows build. Every test works below a key of its own that it removes
// afterwards.
#include "app/folders.h"
#include "app/registry.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tdu::test {

struct registry_target_t {
    std::string name;
    // A registry for one test (a fresh one for the in-memory kind).
    std::shared_ptr<registry_c> (*make)();
    // The folder calls that go with it.
    folder_ops_c& (*folders)();
};

std::vector<registry_target_t> registry_targets();
inline void PrintTo(const registry_target_t& t, std::ostream* os) { *os << t.name; }

// The bytes of a UTF-16 text as the registry holds them.
std::string utf16_bytes(u16view text);

// Stores `bytes` less its last `unstored` bytes. The registry counts a
// forgotten terminating zero of a text when one follows the data in memory,
// so an unterminated text must be stored with something else after it.
long set_raw(registry_key_c& key, const char16_t* name, uint32_t type, const std::string& bytes,
             size_t unstored = 0);

// A key path below HKEY_CURRENT_USER that no other test uses:
// "Software\TavrillDriverUpdaterTests\<what>-<random>".
u16 unique_test_key(const std::string& what);

} // namespace tdu::test
