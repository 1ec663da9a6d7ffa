#include "system/byte_size.h"
#include "system/system_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace tdu;

namespace {

using value_t = std::optional<u16>;  // nullopt: the property is missing or null

// A machine's WMI answers, by query and property. A query missing from the
// table cannot be run.
struct fake_wmi_c : wmi_source_c {
    std::map<std::pair<u16, u16>, std::vector<value_t>> answers;
    bool security_fails = false;
    bool connect_fails = false;
    bool connected = false;
    int queries_run = 0;
    int objects_visited = 0;

    void answer(const char16_t* wql, const char16_t* property, std::vector<value_t> values)
    {
        answers[{wql, property}] = std::move(values);
    }

    bool initialize_security() override { return !security_fails; }
    bool connect() override
    {
        connected = !connect_fails;
        return connected;
    }
    void disconnect() override { connected = false; }
    bool query(u16view wql, u16view property, const visitor_t& visit) override
    {
        EXPECT_TRUE(connected) << "a query ran without a connection";
        ++queries_run;
        auto it = answers.find({u16(wql), u16(property)});
        if (it == answers.end()) return false;
        for (const value_t& v : it->second) {
            ++objects_visited;
            if (!visit(v ? v->c_str() : nullptr)) break;
        }
        return true;
    }
};

constexpr char16_t processor[] = u"SELECT * FROM Win32_Processor";
constexpr char16_t os[] = u"SELECT * FROM Win32_OperatingSystem";
constexpr char16_t memory[] = u"SELECT * FROM Win32_PhysicalMemory";
constexpr char16_t disk[] = u"SELECT * FROM Win32_DiskDrive";
constexpr char16_t display[] = u"SELECT * FROM Win32_DisplayConfiguration";
constexpr char16_t sound[] = u"SELECT * FROM Win32_SoundDevice";
constexpr char16_t computer[] = u"SELECT * FROM Win32_ComputerSystem";

// A desktop with two processors' worth of objects, two memory modules of
// 4 GiB and a third that reports no capacity.
fake_wmi_c desktop()
{
    fake_wmi_c w;
    w.answer(processor, u"name", {u16(u"Example CPU 3.2GHz"), u16(u"Second CPU")});
    w.answer(os, u"Caption", {u16(u"Microsoft Windows 7 Ultimate ")});
    w.answer(os, u"BuildNumber", {u16(u"7601")});
    w.answer(os, u"CSDVersion", {u16(u"Service Pack 1")});
    w.answer(memory, u"Capacity", {u16(u"4294967296"), std::nullopt, u16(u"4294967296")});
    w.answer(disk, u"Model", {std::nullopt, u16(u"Example SSD 256")});
    w.answer(display, u"Caption", {u16(u"Example Graphics")});
    w.answer(sound, u"Description", {u16(u"High Definition Audio Device")});
    w.answer(computer, u"Model", {u16(u"Example Tower 7")});
    return w;
}

} // namespace

TEST(SystemInfo, CollectsEveryTextFromItsQuery)
{
    fake_wmi_c w = desktop();
    system_info_t info;
    ASSERT_EQ(collect_system_info(w, info), 0);
    EXPECT_EQ(info.processor_name, u"Example CPU 3.2GHz");
    EXPECT_EQ(info.os_description, u"Microsoft Windows 7 Ultimate  Build 7601 Service Pack 1");
    EXPECT_EQ(info.memory_size, u"8.00G");
    EXPECT_EQ(info.disk_model, u"Example SSD 256");
    EXPECT_EQ(info.display_name, u"Example Graphics");
    EXPECT_EQ(info.sound_device, u"High Definition Audio Device");
    EXPECT_EQ(info.computer_model, u"Example Tower 7");
    EXPECT_FALSE(w.connected);
}

TEST(SystemInfo, WmiOutOfReachFailsBeforeAnyQuery)
{
    for (bool security_fails : {true, false}) {
        fake_wmi_c w = desktop();
        w.security_fails = security_fails;
        w.connect_fails = !security_fails;
        system_info_t info;
        EXPECT_EQ(collect_system_info(w, info), -1);
        EXPECT_EQ(w.queries_run, 0);
        EXPECT_TRUE(info.processor_name.empty());
        EXPECT_TRUE(info.computer_model.empty());
    }
}

TEST(SystemInfo, QueriesThatFailOrFindNothingLeaveOnlyTheirTextEmpty)
{
    fake_wmi_c w = desktop();
    w.answers.erase({processor, u"name"});             // cannot be run
    w.answer(disk, u"Model", {});                        // no object
    w.answer(display, u"Caption", {std::nullopt});       // no value
    w.answers.erase({memory, u"Capacity"});
    system_info_t info;
    ASSERT_EQ(collect_system_info(w, info), 0);
    EXPECT_EQ(info.processor_name, u"");
    EXPECT_EQ(info.disk_model, u"");
    EXPECT_EQ(info.display_name, u"");
    EXPECT_EQ(info.memory_size, u"");
    EXPECT_EQ(info.sound_device, u"High Definition Audio Device");
    EXPECT_EQ(info.computer_model, u"Example Tower 7");
}

TEST(SystemInfo, OperatingSystemText)
{
    struct row {
        const char* what;
        std::optional<std::vector<value_t>> caption, build, service_pack;  // nullopt: query fails
        const char16_t* text;
    };
    using v = std::vector<value_t>;
    const row rows[] = {
        {"all three", v{u16(u"Windows XP")}, v{u16(u"2600")}, v{u16(u"Service Pack 3")},
         u"Windows XP Build 2600 Service Pack 3"},
        {"no service pack", v{u16(u"Windows 8")}, v{u16(u"9200")}, v{std::nullopt}, u"Windows 8 Build 9200"},
        {"empty service pack", v{u16(u"Windows 8")}, v{u16(u"9200")}, v{u16(u"")}, u"Windows 8 Build 9200"},
        {"service pack query fails", v{u16(u"Windows 8")}, v{u16(u"9200")}, std::nullopt, u"Windows 8 Build 9200"},
        {"no build", v{u16(u"Windows 8")}, v{}, v{u16(u"SP1")}, u"Windows 8 SP1"},
        {"caption ending in a space", v{u16(u"Windows 7 ")}, v{u16(u"7600")}, v{}, u"Windows 7  Build 7600"},
        {"no caption", v{std::nullopt}, v{u16(u"7600")}, v{}, u" Build 7600"},
        {"caption query fails", std::nullopt, v{u16(u"7600")}, v{u16(u"SP1")}, u""},
    };
    for (const auto& r : rows) {
        fake_wmi_c w = desktop();
        w.answers.erase({os, u"Caption"});
        w.answers.erase({os, u"BuildNumber"});
        w.answers.erase({os, u"CSDVersion"});
        if (r.caption) w.answer(os, u"Caption", *r.caption);
        if (r.build) w.answer(os, u"BuildNumber", *r.build);
        if (r.service_pack) w.answer(os, u"CSDVersion", *r.service_pack);
        system_info_t info;
        ASSERT_EQ(collect_system_info(w, info), 0) << r.what;
        EXPECT_EQ(info.os_description, r.text) << r.what;
    }
}

TEST(SystemInfo, MemoryIsTheSumOfEveryModule)
{
    struct row { const char* what; std::vector<value_t> capacities; const char16_t* text; };
    const row rows[] = {
        {"one module", {u16(u"2147483648")}, u"2.00G"},
        {"modules without capacity are skipped, all are visited",
         {std::nullopt, u16(u"536870912"), std::nullopt, u16(u"1073741824")}, u"1.50G"},
        {"a text that is not a number counts as 0", {u16(u"unknown"), u16(u"1048576")}, u"1024.00K"},
        {"digits up to the first other character", {u16(u" 1048576 bytes"), u16(u"1048576")}, u"2.00M"},
        {"the sum stops at the largest count", {u16(u"9223372036854775807"), u16(u"1073741824")},
         u"8589934592.00G"},
        {"no module has a capacity", {std::nullopt}, u""},
        {"no module", {}, u""},
    };
    for (const auto& r : rows) {
        fake_wmi_c w = desktop();
        w.answer(memory, u"Capacity", r.capacities);
        system_info_t info;
        ASSERT_EQ(collect_system_info(w, info), 0) << r.what;
        EXPECT_EQ(info.memory_size, r.text) << r.what;
    }
}

TEST(SystemInfo, QueryTextTakesTheFirstValueAndStops)
{
    fake_wmi_c w;
    w.connected = true;
    w.answer(processor, u"name", {std::nullopt, u16(u""), u16(u"third")});
    u16 target = u"old";
    EXPECT_EQ(wmi_query_text(w, processor, u"name", target), 0);
    EXPECT_EQ(target, u"");  // an empty text is a value
    EXPECT_EQ(w.objects_visited, 2);

    target = u"old";
    EXPECT_EQ(wmi_query_text(w, processor, u"NoSuchProperty", target), -1);
    EXPECT_EQ(target, u"");
}

TEST(SystemInfo, DecimalNumbers)
{
    constexpr int64_t max = std::numeric_limits<int64_t>::max(), min = std::numeric_limits<int64_t>::min();
    struct row { const char16_t* text; int64_t value; };
    const row rows[] = {
        {u"0", 0},
        {u"4294967296", 4294967296},
        {u"  \t+17", 17},
        {u"-42", -42},
        {u"12ab", 12},
        {u"", 0},
        {u"-", 0},
        {u"x1", 0},
        {u"9223372036854775807", max},
        {u"9223372036854775808", max},
        {u"99999999999999999999", max},
        {u"-9223372036854775808", min},
        {u"-99999999999999999999", min},
    };
    for (const auto& r : rows) EXPECT_EQ(parse_decimal_int64(r.text), r.value) << utf16_to_utf8(r.text);
}
