#include "registry_targets.h"

#include <random>

namespace tdu::test {

u16 unique_test_key(const std::string& what)
{
    static std::random_device rd;
    return ascii_to_utf16("Software\\TavrillDriverUpdaterTests\\" + what + "-" + std::to_string(rd()));
}

std::shared_ptr<registry_t> make_memory_registry() { return std::make_shared<memory_registry_t>(); }

} // namespace tdu::test
