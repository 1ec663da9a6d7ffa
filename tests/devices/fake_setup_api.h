#pragma once
// The Setup API of a fixture machine, for native tests. It answers like the
// real calls (sizes, registry types, error words) and can be told to fail any
// of them.
#include <map>
#include <optional>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

#include "devices/machine_fixture.h"
#include "devices/setup_api.h"

namespace tdu::test {

constexpr uint32_t cr_no_such_devinst = 0x0D;

class fake_setup_api_c final : public setup_api_c {
public:
    explicit fake_setup_api_c(machine_t machine);

    // --- faults ---
    // SetupDiBuildClassInfoList fails with `error`.
    std::optional<uint32_t> class_list_error;
    // SetupDiBuildClassInfoList reports this many GUIDs when asked with too
    // small a buffer (a list that grows between the calls).
    std::optional<uint32_t> class_list_required_override;
    bool class_image_list_fails = false;
    // SetupDiGetClassDevsW returns INVALID_HANDLE_VALUE.
    bool device_set_fails = false;
    // SetupDiEnumDeviceInfo fails with `error` at `index` (in both passes).
    std::optional<std::pair<uint32_t, uint32_t>> enum_error;  // index, error
    // Class calls that fail for one GUID (braced text).
    std::vector<u16> class_name_fails;
    std::vector<u16> class_description_fails;
    std::vector<u16> class_image_index_fails;

    // A property of one node (by instance ID) that behaves differently.
    struct property_fault_t {
        std::optional<uint32_t> error;         // the call fails with this error
        std::optional<uint32_t> type;          // the value has this registry type
        std::optional<uint32_t> required;      // the size the call asks for
        std::optional<std::vector<uint8_t>> bytes;  // the value's raw bytes
    };
    std::map<std::pair<u16, uint32_t>, property_fault_t> property_faults;
    // SetupDiGetDeviceInstanceIdW fails with this error for these nodes.
    std::map<u16, uint32_t> instance_id_errors;
    // The rank sequence fails at this step: 1 get install params, 2 set,
    // 3 build list, 4 enum driver info, 5 driver install params.
    int rank_fail_step = 0;

    // --- what happened ---
    std::vector<std::string> calls;  // the rank and driver-key calls, in order
    device_install_params_t last_set_params;
    int open_keys = 0;     // opened and not yet closed
    int open_sets = 0;
    int open_driver_lists = 0;
    bool record_calls = false;

    const machine_t& machine() const { return machine_; }

    uint32_t last_error() override { return last_error_; }
    bool build_class_info_list(guid_t* buffer, uint32_t capacity, uint32_t* required) override;
    bool class_description(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required) override;
    bool class_name_from_guid(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required) override;
    bool get_class_image_list(class_image_list_t& out) override;
    void destroy_class_image_list(class_image_list_t& list) override;
    bool class_image_index(const class_image_list_t& list, const guid_t& guid, int32_t* index) override;
    device_set_t get_class_devs(bool present_only) override;
    bool enum_device_info(device_set_t set, uint32_t index, device_node_t& node) override;
    void destroy_device_info_list(device_set_t set) override;
    bool device_instance_id(device_set_t set, const device_node_t& node, char16_t* buffer, uint32_t capacity,
                            uint32_t* required) override;
    bool device_registry_property(device_set_t set, const device_node_t& node, uint32_t property, uint32_t* reg_type,
                                  uint8_t* buffer, uint32_t size, uint32_t* required) override;
    uint32_t devnode_status(uint32_t dev_inst) override;
    driver_key_t open_driver_key(device_set_t set, const device_node_t& node) override;
    uint32_t query_value(driver_key_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                         uint32_t* size) override;
    void close_key(driver_key_t key) override;
    bool get_device_install_params(device_set_t set, const device_node_t& node,
                                   device_install_params_t& params) override;
    bool set_device_install_params(device_set_t set, const device_node_t& node,
                                   const device_install_params_t& params) override;
    bool build_driver_info_list(device_set_t set, const device_node_t& node) override;
    bool enum_driver_info(device_set_t set, const device_node_t& node, uint32_t index, driver_info_t& info) override;
    bool driver_install_rank(device_set_t set, const device_node_t& node, const driver_info_t& info,
                             uint32_t* rank) override;
    void destroy_driver_info_list(device_set_t set, const device_node_t& node) override;

private:
    bool fail(uint32_t error);
    const fixture_device_t* device_of(const device_node_t& node) const;
    const fixture_class_t* class_of(const guid_t& guid) const;
    void record(const std::string& call);
    const fixture_driver_key_t* driver_key_of(const fixture_device_t* device) const;

    machine_t machine_;
    std::vector<guid_t> class_guids_;
    std::vector<const fixture_driver_key_t*> driver_key_by_device_;  // by devices index; null: no key
    std::vector<std::vector<size_t>> sets_;  // device indices per open set
    std::vector<const fixture_driver_key_t*> keys_;  // open keys by handle - 1
    uint32_t last_error_ = 0;
};

} // namespace tdu::test
