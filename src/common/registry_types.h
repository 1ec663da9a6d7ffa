#pragma once
// Registry value types (REG_*), shared by the settings store and the device
// scan's driver keys.
#include <cstdint>

namespace tdu {

constexpr uint32_t reg_none = 0;
constexpr uint32_t reg_sz = 1;
constexpr uint32_t reg_expand_sz = 2;
constexpr uint32_t reg_binary = 3;
constexpr uint32_t reg_dword = 4;
constexpr uint32_t reg_multi_sz = 7;

} // namespace tdu
