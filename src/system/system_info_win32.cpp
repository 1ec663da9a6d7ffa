// The WMI source over COM: ROOT\CIMV2 through the WMI locator.
#include "system/system_info.h"

#include "common/win32_text.h"
#include "system/com_ptr_win32.h"

#include <oleauto.h>
#include <wbemcli.h>

namespace tdu {
namespace {

// ExecQuery's flags: a forward-only enumerator that returns at once.
constexpr long query_flags = WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY;

class win32_wmi_source_c final : public wmi_source_c {
public:
    bool initialize_security() override
    {
        HRESULT hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                          RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        return SUCCEEDED(hr);
    }

    bool connect() override
    {
        disconnect();
        if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                    locator_.out_void())))
            return false;
        bstr_c name_space(L"ROOT\\CIMV2");
        if (FAILED(locator_->ConnectServer(name_space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                           services_.out()))) {
            disconnect();
            return false;
        }
        if (FAILED(CoSetProxyBlanket(services_.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                     RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE))) {
            disconnect();
            return false;
        }
        return true;
    }

    void disconnect() override
    {
        services_.reset();
        locator_.reset();
    }

    bool query(u16view wql, u16view property, const visitor_t& visit) override
    {
        if (!services_) return false;
        bstr_c language(L"WQL");
        bstr_c text(wide(u16(wql).c_str()));
        com_ptr<IEnumWbemClassObject> objects;
        if (FAILED(services_->ExecQuery(language.get(), text.get(), query_flags, nullptr, objects.out())))
            return false;
        u16 name(property);
        for (;;) {
            com_ptr<IWbemClassObject> object;
            ULONG returned = 0;
            objects->Next(WBEM_INFINITE, 1, object.out(), &returned);
            if (returned == 0 || !object) break;
            VARIANT value;
            VariantInit(&value);
            bool go_on;
            if (FAILED(object->Get(wide(name.c_str()), 0, &value, nullptr, nullptr))) {
                go_on = visit(nullptr);
            } else {
                go_on = visit_value(value, visit);
                VariantClear(&value);
            }
            if (!go_on) break;
        }
        return true;
    }

private:
    // Strings are handed on as they are; numbers and other types as their
    // text; an empty or null value, or one without a text form, as null.
    static bool visit_value(const VARIANT& value, const visitor_t& visit)
    {
        if (value.vt == VT_BSTR) return visit(value.bstrVal ? u16ptr(value.bstrVal) : u"");
        if (value.vt == VT_NULL || value.vt == VT_EMPTY) return visit(nullptr);
        VARIANT text;
        VariantInit(&text);
        bool go_on;
        if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR)))
            go_on = visit(text.bstrVal ? u16ptr(text.bstrVal) : u"");
        else
            go_on = visit(nullptr);
        VariantClear(&text);
        return go_on;
    }

    com_ptr<IWbemLocator> locator_;
    com_ptr<IWbemServices> services_;
};

} // namespace

wmi_source_c& win32_wmi_source()
{
    // Never destroyed: a static destructor would release COM interfaces
    // after COM has gone down.
    static auto* source = new win32_wmi_source_c;
    return *source;
}

} // namespace tdu
