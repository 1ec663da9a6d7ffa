#include "devices/machine_fixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "devices/device.h"
#include "devices/setup_api.h"

namespace tdu::test {

namespace {

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::vector<u16> split_list(const std::string& value)
{
    std::vector<u16> items;
    std::string rest = value;
    while (!trim(rest).empty()) {
        size_t bar = rest.find('|');
        std::string item = trim(rest.substr(0, bar));
        if (!item.empty()) items.push_back(utf8_to_utf16(item));
        if (bar == std::string::npos) break;
        rest = rest.substr(bar + 1);
    }
    return items;
}

bool equal_ignore_case(u16view a, u16view b) { return equals_ignore_case_ascii(a, b); }

} // namespace

const fixture_value_t* fixture_driver_key_t::find(u16view name) const
{
    for (const fixture_value_t& v : values) {
        if (equal_ignore_case(v.name, name)) return &v;
    }
    return nullptr;
}

const fixture_class_t* machine_t::find_class(u16view guid) const
{
    for (const fixture_class_t& c : classes) {
        if (equal_ignore_case(c.guid, guid)) return &c;
    }
    return nullptr;
}

const fixture_driver_key_t* machine_t::find_driver_key(u16view key) const
{
    for (const fixture_driver_key_t& k : driver_keys) {
        if (equal_ignore_case(k.key, key)) return &k;
    }
    return nullptr;
}

std::optional<u16> machine_t::class_name_of(const fixture_device_t& device) const
{
    if (!device.class_guid) return std::nullopt;
    const fixture_class_t* c = find_class(*device.class_guid);
    if (!c) return std::nullopt;
    return c->name;
}

machine_t parse_machine(const std::string& text)
{
    machine_t machine;
    enum class section_t { none, class_entry, device, driver } section = section_t::none;
    std::istringstream in(text);
    std::string raw;
    int line_number = 0;
    auto fail = [&](const std::string& why) {
        throw std::runtime_error("machine fixture line " + std::to_string(line_number) + ": " + why);
    };
    while (std::getline(in, raw)) {
        ++line_number;
        std::string line = trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line == "[class]") {
                section = section_t::class_entry;
                machine.classes.emplace_back();
            } else if (line == "[device]") {
                section = section_t::device;
                machine.devices.emplace_back();
            } else if (line == "[driver]") {
                section = section_t::driver;
                machine.driver_keys.emplace_back();
            } else {
                fail("unknown section " + line);
            }
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) fail("expected key = value");
        std::string key = trim(line.substr(0, eq));
        std::string value = trim(line.substr(eq + 1));
        u16 text16 = utf8_to_utf16(value);

        switch (section) {
        case section_t::none:
            fail("a value outside a section");
            break;
        case section_t::class_entry: {
            fixture_class_t& c = machine.classes.back();
            if (key == "guid") c.guid = text16;
            else if (key == "name") c.name = text16;
            else if (key == "description") c.description = text16;
            else fail("unknown class key " + key);
            break;
        }
        case section_t::device: {
            fixture_device_t& d = machine.devices.back();
            if (key == "instance_id") d.instance_id = text16;
            else if (key == "friendly_name") d.friendly_name = text16;
            else if (key == "description") d.description = text16;
            else if (key == "class_guid") d.class_guid = text16;
            else if (key == "enumerator") d.enumerator = text16;
            else if (key == "hardware_ids") { d.hardware_ids = split_list(value); d.has_hardware_ids = true; }
            else if (key == "compatible_ids") { d.compatible_ids = split_list(value); d.has_compatible_ids = true; }
            else if (key == "present") {
                if (value != "yes" && value != "no") fail("present is yes or no");
                d.present = value == "yes";
            }
            else if (key == "driver") d.driver = text16;
            else fail("unknown device key " + key);
            break;
        }
        case section_t::driver: {
            fixture_driver_key_t& k = machine.driver_keys.back();
            if (key == "key") { k.key = text16; break; }
            if (key == "rank") {
                k.rank = static_cast<uint32_t>(std::stoul(value, nullptr, 0));
                break;
            }
            // A driver-key value: "<type> <text>".
            size_t space = value.find(' ');
            std::string type = value.substr(0, space);
            std::string data = space == std::string::npos ? "" : value.substr(space + 1);
            fixture_value_t v;
            v.name = utf8_to_utf16(key);
            if (type == "sz") { v.type = reg_sz; v.text = utf8_to_utf16(data); }
            else if (type == "expand_sz") { v.type = reg_expand_sz; v.text = utf8_to_utf16(data); }
            else if (type == "multi_sz") { v.type = reg_multi_sz; v.text = make_multi_string(split_list(data)); }
            else if (type == "dword") { v.type = reg_dword; v.number = static_cast<uint32_t>(std::stoul(data, nullptr, 0)); }
            else fail("unknown value type " + type);
            k.values.push_back(v);
            break;
        }
        }
    }
    for (const fixture_device_t& d : machine.devices) {
        if (d.instance_id.empty()) throw std::runtime_error("machine fixture: a device without instance_id");
    }
    return machine;
}

machine_t load_machine(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream s;
    s << in.rdbuf();
    return parse_machine(s.str());
}

machine_t generate_machine(int nodes)
{
    machine_t m;
    const u16 net = u"{4D36E972-E325-11CE-BFC1-08002BE10318}";
    const u16 media = u"{4D36E96C-E325-11CE-BFC1-08002BE10318}";
    const u16 disk = u"{4D36E967-E325-11CE-BFC1-08002BE10318}";
    m.classes.push_back({net, u16(u"Net"), u16(u"Network adapters")});
    m.classes.push_back({media, u16(u"MEDIA"), u16(u"Sound, video and game controllers")});
    m.classes.push_back({disk, u16(u"DiskDrive"), u16(u"Disk drives")});
    m.classes.push_back({u"{4D36E97E-E325-11CE-BFC1-08002BE10318}", u16(u"Unknown"), u16(u"Other devices")});

    auto add_driver = [&](fixture_device_t& d, const u16& guid, int n) {
        char index[16];
        std::snprintf(index, sizeof index, "%04d", n);
        fixture_driver_key_t k;
        k.key = guid + u"\\" + ascii_to_utf16(index);
        k.values = {
            {u"DriverVersion", reg_sz, u"10.0.1." + ascii_to_utf16(index), 0},
            {u"InfPath", reg_sz, u"oem" + ascii_to_utf16(index) + u".inf", 0},
            {u"DriverDate", reg_sz, u"6-21-2006", 0},
            {u"DriverDesc", reg_sz, u"Generated driver", 0},
            {u"MatchingDeviceId", reg_sz, d.hardware_ids.back(), 0},
            {u"ProviderName", reg_sz, u"Generated", 0},
        };
        k.rank = 0x00FF0000u + static_cast<uint32_t>(n);
        d.driver = k.key;
        m.driver_keys.push_back(std::move(k));
    };

    u16 previous_id;
    for (int i = 0; i < nodes; ++i) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%04X", i);
        fixture_device_t d;
        int kind = i % 10;
        bool media_class = i % 2 == 0;
        d.class_guid = media_class ? media : net;
        d.description = u"Generated device " + ascii_to_utf16(hex);
        d.has_hardware_ids = d.has_compatible_ids = true;
        if (kind == 7 && !previous_id.empty()) {
            // a second instance of the previous device
            d.instance_id = previous_id + u"\\5&" + ascii_to_utf16(hex);
        } else if (kind == 8) {
            d.instance_id = u"ROOT\\GEN_" + ascii_to_utf16(hex) + u"\\0000";
        } else if (kind == 9) {
            d.class_guid = disk;
            d.instance_id = u"IDE\\DISKGEN_" + ascii_to_utf16(hex) + u"\\5&0";
        } else {
            d.instance_id = u"PCI\\VEN_8086&DEV_" + ascii_to_utf16(hex) + u"\\3&" + ascii_to_utf16(hex);
            previous_id = d.instance_id.substr(0, d.instance_id.rfind(u'\\'));
        }
        u16 base = d.instance_id.substr(0, d.instance_id.rfind(u'\\'));
        d.hardware_ids = {base + u"&SUBSYS_00000000", base};
        d.compatible_ids = {u"PCI\\CC_0200", u"PCI\\CC_02"};
        add_driver(d, *d.class_guid, i);
        m.devices.push_back(std::move(d));
    }
    return m;
}

} // namespace tdu::test
