// The Setup API seam over the real calls.
#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstring>

#include "common/win32_text.h"
#include "devices/setup_api.h"

namespace tdu {
namespace {

static_assert(sizeof(GUID) == sizeof(guid_t), "guid_t mirrors GUID");

GUID to_guid(const guid_t& g)
{
    GUID out;
    std::memcpy(&out, &g, sizeof out);
    return out;
}

guid_t from_guid(const GUID& g)
{
    guid_t out;
    std::memcpy(static_cast<void*>(&out), &g, sizeof out);
    return out;
}

HDEVINFO to_set(device_set_t set) { return reinterpret_cast<HDEVINFO>(set); }

SP_DEVINFO_DATA to_devinfo(const device_node_t& node)
{
    SP_DEVINFO_DATA data;
    data.cbSize = sizeof data;
    data.ClassGuid = to_guid(node.class_guid);
    data.DevInst = node.dev_inst;
    data.Reserved = node.reserved;
    return data;
}

// The first component of a device instance ID ("PCI" of "PCI\VEN_...\3&2...").
bool enumerator_from_instance_id(HDEVINFO set, SP_DEVINFO_DATA& data, WCHAR* out, DWORD out_units, DWORD* required_units)
{
    WCHAR id[1024];
    if (!SetupDiGetDeviceInstanceIdW(set, &data, id, 1024, nullptr)) return false;
    const WCHAR* slash = wcschr(id, L'\\');
    DWORD length = slash ? static_cast<DWORD>(slash - id) : static_cast<DWORD>(wcslen(id));
    if (length == 0) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    *required_units = length + 1;
    if (out_units < length + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(out, id, length * sizeof(WCHAR));
    out[length] = 0;
    return true;
}

class win32_setup_api_c final : public setup_api_c {
public:
    // Each call whose error the logic reads clears the error first, so a
    // failure that sets none reads as 0 rather than an earlier call's error.
    uint32_t last_error() override { return GetLastError(); }

    bool build_class_info_list(guid_t* buffer, uint32_t capacity, uint32_t* required) override
    {
        DWORD needed = 0;
        SetLastError(ERROR_SUCCESS);
        BOOL ok = SetupDiBuildClassInfoList(0, capacity ? reinterpret_cast<GUID*>(buffer) : nullptr, capacity, &needed);
        *required = needed;
        return ok != FALSE;
    }

    bool class_description(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required) override
    {
        GUID g = to_guid(guid);
        DWORD needed = 0;
        BOOL ok = SetupDiGetClassDescriptionW(&g, wide(buffer), capacity, &needed);
        if (required) *required = needed;
        return ok != FALSE;
    }

    bool class_name_from_guid(const guid_t& guid, char16_t* buffer, uint32_t capacity, uint32_t* required) override
    {
        GUID g = to_guid(guid);
        DWORD needed = 0;
        SetLastError(ERROR_SUCCESS);
        BOOL ok = SetupDiClassNameFromGuidW(&g, wide(buffer), capacity, &needed);
        if (required) *required = needed;
        return ok != FALSE;
    }

    bool get_class_image_list(class_image_list_t& out) override
    {
        SP_CLASSIMAGELIST_DATA data;
        data.cbSize = sizeof data;
        if (!SetupDiGetClassImageList(&data)) return false;
        out.image_list = reinterpret_cast<uintptr_t>(data.ImageList);
        out.reserved = data.Reserved;
        return true;
    }

    void destroy_class_image_list(class_image_list_t& list) override
    {
        SP_CLASSIMAGELIST_DATA data = image_list_data(list);
        SetupDiDestroyClassImageList(&data);
    }

    bool class_image_index(const class_image_list_t& list, const guid_t& guid, int32_t* index) override
    {
        SP_CLASSIMAGELIST_DATA data = image_list_data(list);
        GUID g = to_guid(guid);
        int value = 0;
        if (!SetupDiGetClassImageIndex(&data, &g, &value)) return false;
        *index = value;
        return true;
    }

    device_set_t get_class_devs(bool present_only) override
    {
        DWORD flags = DIGCF_ALLCLASSES | (present_only ? DIGCF_PRESENT : 0);
        HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, flags);
        if (set == INVALID_HANDLE_VALUE) return invalid_device_set;
        return reinterpret_cast<device_set_t>(set);
    }

    bool enum_device_info(device_set_t set, uint32_t index, device_node_t& node) override
    {
        SP_DEVINFO_DATA data;
        data.cbSize = sizeof data;
        SetLastError(ERROR_SUCCESS);
        if (!SetupDiEnumDeviceInfo(to_set(set), index, &data)) return false;
        node.class_guid = from_guid(data.ClassGuid);
        node.dev_inst = data.DevInst;
        node.reserved = data.Reserved;
        return true;
    }

    void destroy_device_info_list(device_set_t set) override { SetupDiDestroyDeviceInfoList(to_set(set)); }

    bool device_instance_id(device_set_t set, const device_node_t& node, char16_t* buffer, uint32_t capacity,
                            uint32_t* required) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        DWORD needed = 0;
        SetLastError(ERROR_SUCCESS);
        BOOL ok = SetupDiGetDeviceInstanceIdW(to_set(set), &data, wide(buffer), capacity, &needed);
        if (required) *required = needed;
        return ok != FALSE;
    }

    bool device_registry_property(device_set_t set, const device_node_t& node, uint32_t property, uint32_t* reg_type,
                                  uint8_t* buffer, uint32_t size, uint32_t* required) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        DWORD type = 0, needed = 0;
        // A failure that sets no error of its own must not leave an earlier
        // call's error (such as ERROR_INSUFFICIENT_BUFFER) to be read.
        SetLastError(ERROR_SUCCESS);
        BOOL ok = SetupDiGetDeviceRegistryPropertyW(to_set(set), &data, property, &type, buffer, size, &needed);
        if (property == spdrp_enumerator_name && enumerator_from_instance_id_applies(ok != FALSE, GetLastError())) {
            // Wine's Setup API cannot read SPDRP_ENUMERATOR_NAME: it fails
            // for every device without setting an error. The enumerator
            // name is by definition the first component of the instance ID,
            // so it is taken from there then. A failure with an error (how
            // Windows reports a node without the property) stays a failure.
            DWORD units = 0;
            ok = enumerator_from_instance_id(to_set(set), data, reinterpret_cast<WCHAR*>(buffer),
                                             size / sizeof(WCHAR), &units);
            type = REG_SZ;
            needed = units * sizeof(WCHAR);
            if (!ok && GetLastError() != ERROR_INSUFFICIENT_BUFFER) needed = 0;
        }
        if (reg_type) *reg_type = type;
        if (required) *required = needed;
        return ok != FALSE;
    }

    uint32_t devnode_status(uint32_t dev_inst) override
    {
        ULONG status = 0, problem = 0;
        return CM_Get_DevNode_Status(&status, &problem, dev_inst, 0);
    }

    driver_key_t open_driver_key(device_set_t set, const device_node_t& node) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        HKEY key = SetupDiOpenDevRegKey(to_set(set), &data, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE || key == nullptr) return invalid_driver_key;
        return reinterpret_cast<driver_key_t>(key);
    }

    uint32_t query_value(driver_key_t key, const char16_t* name, uint32_t* type, uint8_t* data, uint32_t* size) override
    {
        DWORD value_type = 0, value_size = *size;
        LONG status = RegQueryValueExW(reinterpret_cast<HKEY>(key), wide(name), nullptr, &value_type, data, &value_size);
        *type = value_type;
        *size = value_size;
        return static_cast<uint32_t>(status);
    }

    void close_key(driver_key_t key) override { RegCloseKey(reinterpret_cast<HKEY>(key)); }

    bool get_device_install_params(device_set_t set, const device_node_t& node, device_install_params_t& params) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        SP_DEVINSTALL_PARAMS_W p;
        std::memset(&p, 0, sizeof p);
        p.cbSize = sizeof p;
        if (!SetupDiGetDeviceInstallParamsW(to_set(set), &data, &p)) return false;
        params.flags = p.Flags;
        params.flags_ex = p.FlagsEx;
        params.hwnd_parent = reinterpret_cast<uintptr_t>(p.hwndParent);
        params.install_msg_handler = reinterpret_cast<uintptr_t>(p.InstallMsgHandler);
        params.install_msg_handler_context = reinterpret_cast<uintptr_t>(p.InstallMsgHandlerContext);
        params.file_queue = reinterpret_cast<uintptr_t>(p.FileQueue);
        params.class_install_reserved = p.ClassInstallReserved;
        params.reserved = p.Reserved;
        lstrcpynW(wide(params.driver_path), p.DriverPath, MAX_PATH);
        return true;
    }

    bool set_device_install_params(device_set_t set, const device_node_t& node,
                                   const device_install_params_t& params) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        SP_DEVINSTALL_PARAMS_W p;
        std::memset(&p, 0, sizeof p);
        p.cbSize = sizeof p;
        p.Flags = params.flags;
        p.FlagsEx = params.flags_ex;
        p.hwndParent = reinterpret_cast<HWND>(params.hwnd_parent);
        p.InstallMsgHandler = reinterpret_cast<PSP_FILE_CALLBACK>(params.install_msg_handler);
        p.InstallMsgHandlerContext = reinterpret_cast<PVOID>(params.install_msg_handler_context);
        p.FileQueue = reinterpret_cast<HSPFILEQ>(params.file_queue);
        p.ClassInstallReserved = params.class_install_reserved;
        p.Reserved = params.reserved;
        lstrcpynW(p.DriverPath, wide(params.driver_path), MAX_PATH);
        return SetupDiSetDeviceInstallParamsW(to_set(set), &data, &p) != FALSE;
    }

    bool build_driver_info_list(device_set_t set, const device_node_t& node) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        return SetupDiBuildDriverInfoList(to_set(set), &data, SPDIT_COMPATDRIVER) != FALSE;
    }

    bool enum_driver_info(device_set_t set, const device_node_t& node, uint32_t index, driver_info_t& info) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        SP_DRVINFO_DATA_V2_W driver;
        std::memset(&driver, 0, sizeof driver);
        driver.cbSize = sizeof driver;
        if (!SetupDiEnumDriverInfoW(to_set(set), &data, SPDIT_COMPATDRIVER, index, &driver)) return false;
        info.driver_type = driver.DriverType;
        info.reserved = driver.Reserved;
        return true;
    }

    bool driver_install_rank(device_set_t set, const device_node_t& node, const driver_info_t& info,
                             uint32_t* rank) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        // The driver node is identified by its Reserved field.
        SP_DRVINFO_DATA_V2_W driver;
        std::memset(&driver, 0, sizeof driver);
        driver.cbSize = sizeof driver;
        driver.DriverType = info.driver_type;
        driver.Reserved = info.reserved;
        SP_DRVINSTALL_PARAMS params;
        std::memset(&params, 0, sizeof params);
        params.cbSize = sizeof params;
        if (!SetupDiGetDriverInstallParamsW(to_set(set), &data, &driver, &params)) return false;
        *rank = params.Rank;
        return true;
    }

    void destroy_driver_info_list(device_set_t set, const device_node_t& node) override
    {
        SP_DEVINFO_DATA data = to_devinfo(node);
        SetupDiDestroyDriverInfoList(to_set(set), &data, SPDIT_COMPATDRIVER);
    }

private:
    static SP_CLASSIMAGELIST_DATA image_list_data(const class_image_list_t& list)
    {
        SP_CLASSIMAGELIST_DATA data;
        data.cbSize = sizeof data;
        data.ImageList = reinterpret_cast<HIMAGELIST>(list.image_list);
        data.Reserved = list.reserved;
        return data;
    }
};

} // namespace

setup_api_c& win32_setup_api()
{
    static win32_setup_api_c api;
    return api;
}

} // namespace tdu
