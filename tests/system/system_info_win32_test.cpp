// The WMI source against Wine's WMI (ROOT\CIMV2), with COM initialised the
// way start-up does it.
#include "system/byte_size.h"
#include "system/system_info.h"

#include "common/win32_text.h"

#include <gtest/gtest.h>

#include <objbase.h>

using namespace tdu;

namespace {

u16 registry_processor_name()
{
    wchar_t name[256] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return u16();
    RegQueryValueExW(key, L"ProcessorNameString", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return u16(u16ptr(name));
}

} // namespace

TEST(SystemInfoWin32, CollectsWhatWineAnswers)
{
    system_info_t info;
    ASSERT_EQ(collect_system_info(win32_wmi_source(), info), 0);

    EXPECT_EQ(info.computer_model, u"Wine");
    EXPECT_FALSE(info.processor_name.empty());
    EXPECT_EQ(info.processor_name, registry_processor_name());
    // The default prefix is Windows 7 with its service pack.
    EXPECT_EQ(info.os_description, u"Microsoft Windows 7 Professional Build 7601 Service Pack 1");
    // Wine reports one memory object holding all physical memory.
    MEMORYSTATUSEX memory;
    memory.dwLength = sizeof memory;
    ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
    EXPECT_EQ(info.memory_size, format_byte_size(static_cast<int64_t>(memory.ullTotalPhys)));
    EXPECT_EQ(info.disk_model, u"Wine Disk Drive");
    // Wine has no Win32_DisplayConfiguration objects, and its sound devices
    // carry no Description: both texts stay empty and collection goes on.
    EXPECT_EQ(info.display_name, u"");
    EXPECT_EQ(info.sound_device, u"");
}

TEST(SystemInfoWin32, QueriesOnTheConnection)
{
    wmi_source_c& wmi = win32_wmi_source();
    ASSERT_TRUE(wmi.connect());
    u16 text;
    EXPECT_EQ(wmi_query_text(wmi, u"SELECT * FROM Win32_ComputerSystem", u"Model", text), 0);
    EXPECT_EQ(text, u"Wine");

    // Numbers come as text: Win32_OperatingSystem's BuildNumber is a string,
    // Win32_ComputerSystem's NumberOfLogicalProcessors an integer.
    EXPECT_EQ(wmi_query_text(wmi, u"SELECT * FROM Win32_ComputerSystem", u"NumberOfLogicalProcessors", text), 0);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    EXPECT_EQ(text, ascii_to_utf16(std::to_string(si.dwNumberOfProcessors)));

    struct row { const char16_t* wql; const char16_t* property; int result; };
    const row rows[] = {
        {u"SELECT * FROM Win32_Processor WHERE Name = 'no such processor'", u"Name", 0},  // no object
        {u"SELECT * FROM Win32_ComputerSystem", u"NoSuchProperty", 0},
        {u"SELECT * FROM Win32_NoSuchClass", u"Model", 0},
        {u"THIS IS NOT WQL", u"Model", -1},
    };
    for (const auto& r : rows) {
        text = u"old";
        EXPECT_EQ(wmi_query_text(wmi, r.wql, r.property, text), r.result) << utf16_to_utf8(r.wql);
        EXPECT_EQ(text, u"") << utf16_to_utf8(r.wql);
    }

    wmi.disconnect();
    EXPECT_EQ(wmi_query_text(wmi, u"SELECT * FROM Win32_ComputerSystem", u"Model", text), -1);
}
