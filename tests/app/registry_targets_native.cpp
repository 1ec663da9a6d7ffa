#include "registry_targets.h"

namespace tdu::test {

std::shared_ptr<registry_c> make_memory_registry();

std::vector<registry_target_t> registry_targets() { return {{"memory", make_memory_registry, std_folder_ops}}; }

} // namespace tdu::test
