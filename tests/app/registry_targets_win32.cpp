#include "registry_targets.h"

namespace tdu::test {

std::shared_ptr<registry_c> make_memory_registry();

namespace {
// The process-wide Win32 registry, handed out without taking ownership.
std::shared_ptr<registry_c> make_win32_registry() { return {&win32_registry(), [](registry_c*) {}}; }
} // namespace

std::vector<registry_target_t> registry_targets()
{
    return {{"memory", make_memory_registry, std_folder_ops}, {"win32", make_win32_registry, win32_folder_ops}};
}

} // namespace tdu::test
