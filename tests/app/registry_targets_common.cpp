#include "registry_targets.h"

#include <random>

namespace tdu::test {

u16 unique_test_key(const std::string& what)
{
    static std::random_device rd;
    return ascii_to_utf16("Software\\TavrillDriverUpdaterTests\\" + what + "-" + std::to_string(rd()));
}

std::string utf16_bytes(u16view text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

long set_raw(registry_key_c& key, const char16_t* name, uint32_t type, const std::string& bytes, size_t unstored)
{
    return key.set_value(name, type, bytes.data(), static_cast<uint32_t>(bytes.size() - unstored));
}

std::shared_ptr<registry_c> make_memory_registry() { return std::make_shared<memory_registry_c>(); }

} // namespace tdu::test
