#pragma once
// The Setup API and configuration-manager calls the device scan makes, one
// method per call, with the call's own buffers, sizes and error words. The
// scan logic (buffer growth, missing values, enumeration errors) sits above
// this seam and runs unchanged on the Win32 implementation and on the fake
// of the native tests.
#include "common/registry_types.h"
#include <cstdint>

#include "devices/device_class.h"

namespace tdu {

// Win32 error words the logic tells apart (GetLastError / LSTATUS).
namespace win32_error {
constexpr uint32_t success = 0;
constexpr uint32_t file_not_found = 2;
constexpr uint32_t not_enough_memory = 8;
constexpr uint32_t invalid_data = 13;
constexpr uint32_t insufficient_buffer = 122;
constexpr uint32_t more_data = 234;
constexpr uint32_t no_more_items = 259;
constexpr uint32_t call_not_implemented = 120;
} // namespace win32_error

// Device registry properties (SPDRP_*).
constexpr uint32_t spdrp_devicedesc = 0x00;
constexpr uint32_t spdrp_hardwareid = 0x01;
constexpr uint32_t spdrp_compatibleids = 0x02;
constexpr uint32_t spdrp_class = 0x07;
constexpr uint32_t spdrp_classguid = 0x08;
constexpr uint32_t spdrp_friendlyname = 0x0C;
constexpr uint32_t spdrp_enumerator_name = 0x16;

// Whether the Win32 back end answers SPDRP_ENUMERATOR_NAME with the first
// component of the instance ID: only when the property read failed without
// setting an error, which is how Wine fails it for every device. Windows
// fails it with an error (ERROR_INVALID_DATA for a node without one), and
// the scan's rules for a missing enumerator then apply.
inline bool enumerator_from_instance_id_applies(bool read_ok, uint32_t error_after_read)
{
    return !read_ok && error_after_read == 0;
}

// CONFIGRET success.
constexpr uint32_t cr_success = 0;

// Install-parameter flags the rank query sets.
constexpr uint32_t di_enumsingleinf = 0x00010000;  // DI_ENUMSINGLEINF
constexpr uint32_t di_flagsex_allowexcludeddrvs = 0x00000800;
constexpr uint32_t di_flagsex_installeddriver = 0x04000000;

// A device information set (HDEVINFO); invalid_device_set is INVALID_HANDLE_VALUE.
using device_set_t = uintptr_t;
constexpr device_set_t invalid_device_set = ~uintptr_t(0);
// An open driver key (HKEY); invalid_driver_key is INVALID_HANDLE_VALUE.
using driver_key_t = uintptr_t;
constexpr driver_key_t invalid_driver_key = ~uintptr_t(0);

// The fields of SP_DEVINFO_DATA.
struct device_node_t {
    guid_t class_guid;
    uint32_t dev_inst = 0;
    uintptr_t reserved = 0;
};

// The fields of SP_DEVINSTALL_PARAMS_W.
struct device_install_params_t {
    uint32_t flags = 0;
    uint32_t flags_ex = 0;
    uintptr_t hwnd_parent = 0;
    uintptr_t install_msg_handler = 0;
    uintptr_t install_msg_handler_context = 0;
    uintptr_t file_queue = 0;
    uintptr_t class_install_reserved = 0;
    uint32_t reserved = 0;
    char16_t driver_path[260] = {};
};

// The identifying fields of SP_DRVINFO_DATA_V2_W.
struct driver_info_t {
    uint32_t driver_type = 0;
    uintptr_t reserved = 0;
};

class setup_api_c {
public:
    virtual ~setup_api_c() = default;

    // GetLastError after the last call of this interface that failed.
    virtual uint32_t last_error() = 0;

    // SetupDiBuildClassInfoList(0, buffer, capacity, required).
    virtual bool build_class_info_list(guid_t* buffer, uint32_t capacity, uint32_t* required) = 0;
    // SetupDiGetClassDescriptionW / SetupDiClassNameFromGuidW; capacities in
    // UTF-16 units, `required` may be null.
    virtual bool class_description(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required) = 0;
    virtual bool class_name_from_guid(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required) = 0;
    // SetupDiGetClassImageList / SetupDiDestroyClassImageList / SetupDiGetClassImageIndex.
    virtual bool get_class_image_list(class_image_list_t& out) = 0;
    virtual void destroy_class_image_list(class_image_list_t& list) = 0;
    virtual bool class_image_index(const class_image_list_t& list, const guid_t& guid, int32_t* index) = 0;

    // SetupDiGetClassDevsW(no class, no enumerator, no window,
    // DIGCF_ALLCLASSES, plus DIGCF_PRESENT when `present_only`).
    virtual device_set_t get_class_devs(bool present_only) = 0;
    // SetupDiEnumDeviceInfo; false with last_error no_more_items at the end.
    virtual bool enum_device_info(device_set_t set, uint32_t index, device_node_t& node) = 0;
    virtual void destroy_device_info_list(device_set_t set) = 0;
    // SetupDiGetDeviceInstanceIdW; capacity and required in UTF-16 units.
    virtual bool device_instance_id(device_set_t set, const device_node_t& node, char16_t* buffer,
                                    uint32_t capacity, uint32_t* required) = 0;
    // SetupDiGetDeviceRegistryPropertyW; sizes in bytes.
    virtual bool device_registry_property(device_set_t set, const device_node_t& node, uint32_t property,
                                          uint32_t* reg_type, uint8_t* buffer, uint32_t size,
                                          uint32_t* required) = 0;
    // CM_Get_DevNode_Status; the CONFIGRET.
    virtual uint32_t devnode_status(uint32_t dev_inst) = 0;

    // SetupDiOpenDevRegKey(set, node, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ).
    virtual driver_key_t open_driver_key(device_set_t set, const device_node_t& node) = 0;
    // RegQueryValueExW; returns the LSTATUS; `size` in bytes, in and out.
    virtual uint32_t query_value(driver_key_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                                 uint32_t* size) = 0;
    virtual void close_key(driver_key_t key) = 0;

    // SetupDiGetDeviceInstallParamsW / SetupDiSetDeviceInstallParamsW.
    virtual bool get_device_install_params(device_set_t set, const device_node_t& node,
                                           device_install_params_t& params) = 0;
    virtual bool set_device_install_params(device_set_t set, const device_node_t& node,
                                           const device_install_params_t& params) = 0;
    // SetupDiBuildDriverInfoList / SetupDiEnumDriverInfoW /
    // SetupDiGetDriverInstallParamsW (its Rank) / SetupDiDestroyDriverInfoList,
    // all for SPDIT_COMPATDRIVER.
    virtual bool build_driver_info_list(device_set_t set, const device_node_t& node) = 0;
    virtual bool enum_driver_info(device_set_t set, const device_node_t& node, uint32_t index,
                                  driver_info_t& info) = 0;
    virtual bool driver_install_rank(device_set_t set, const device_node_t& node, const driver_info_t& info,
                                     uint32_t* rank) = 0;
    virtual void destroy_driver_info_list(device_set_t set, const device_node_t& node) = 0;
};

// The Win32 implementation (Windows build only).
setup_api_c& win32_setup_api();

} // namespace tdu
