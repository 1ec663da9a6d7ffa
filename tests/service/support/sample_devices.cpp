#include "support/sample_devices.h"

#include "common/text.h"

namespace tdu::test {

device_t make_device(const device_spec_t& s)
{
    device_t d;
    copy_field(d.device_id, device_id_chars, s.id);
    copy_field(d.name, device_name_chars, s.name);
    copy_field(d.class_name, device_class_name_chars, s.class_name);
    copy_field(d.enumerator, device_enumerator_chars, s.enumerator);
    d.hardware_ids = make_multi_string(s.hardware_ids);
    d.compatible_ids = make_multi_string(s.compatible_ids);
    d.instance_count = s.instance_count;
    d.has_driver = s.has_driver;
    copy_field(d.matching_device_id, device_matching_id_chars, s.matching_id);
    copy_field(d.driver_date, device_driver_date_chars, s.date);
    copy_field(d.driver_version, device_driver_version_chars, s.version);
    copy_field(d.provider_name, device_provider_name_chars, s.provider);
    copy_field(d.inf_path, device_inf_path_chars, s.inf);
    d.driver_rank = s.rank;
    return d;
}

device_inventory_t sample_inventory()
{
    device_inventory_t inventory;
    device_spec_t net;
    net.id = u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02";
    net.name = u"Intel(R) PRO/1000 MT Desktop Adapter";
    net.hardware_ids = {u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02", u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086"};
    net.compatible_ids = {u"PCI\\VEN_8086&DEV_100E&REV_02", u"PCI\\VEN_8086&DEV_100E", u"PCI\\CC_020000"};
    net.has_driver = true;
    net.matching_id = u"pci\\ven_8086&dev_100e";
    net.date = u"2008-10-17";
    net.version = u"8.4.1.0";
    net.provider = u"Intel";
    net.inf = u"oem3.inf";
    net.rank = 0x00FF2001;
    inventory.devices.push_back(make_device(net));

    device_spec_t usb;
    usb.id = u"USB\\VID_046D&PID_C52B";
    usb.name = u"USB Receiver";
    usb.class_name = u"";
    usb.enumerator = u"USB";
    usb.hardware_ids = {u"USB\\VID_046D&PID_C52B&REV_1201", u"USB\\VID_046D&PID_C52B"};
    usb.compatible_ids = {u"USB\\Class_03&SubClass_01&Prot_01", u"USB\\Class_03"};
    usb.instance_count = 2;
    inventory.devices.push_back(make_device(usb));

    device_spec_t kbd;
    kbd.id = u"ACPI\\PNP0303";
    kbd.name = u"Standard PS/2 Keyboard";
    kbd.class_name = u"Keyboard";
    kbd.enumerator = u"ACPI";
    kbd.hardware_ids = {u"ACPI\\PNP0303", u"*PNP0303"};
    kbd.has_driver = true;
    kbd.matching_id = u"*PNP0303";
    kbd.date = u"2006-06-21";
    kbd.version = u"6.1.7600.16385";
    kbd.provider = u"Microsoft";
    kbd.inf = u"keyboard.inf";
    inventory.devices.push_back(make_device(kbd));

    device_spec_t odd;
    odd.id = u"ROOT\\Caf\u00e9<&>\u4e2d";
    odd.name = u"Caf\u00e9 \u4e2d\u6587 device";
    odd.class_name = u"MEDIA";
    odd.enumerator = u"ROOT";
    odd.hardware_ids = {u"ROOT\\Caf\u00e9<&>\u4e2d"};
    odd.compatible_ids = {u"GEN\\]]>"};
    inventory.devices.push_back(make_device(odd));
    return inventory;
}

driver_offer_t make_offer(const offer_spec_t& s)
{
    driver_offer_t o;
    copy_field(o.hardid, offer_hardid_chars, s.hardid);
    copy_field(o.title, offer_title_chars, s.title);
    copy_field(o.date, offer_date_chars, s.date);
    copy_field(o.version, offer_version_chars, s.version);
    copy_field(o.link, offer_link_bytes, s.link);
    o.targetos = s.targetos;
    o.sign = s.sign;
    o.feature = s.feature;
    o.cp = s.cp;
    return o;
}

void set_offers(device_t& device, const std::vector<driver_offer_t>& offers)
{
    device.offers.reset(new driver_offer_t[offers.size()]);
    for (size_t i = 0; i < offers.size(); ++i) device.offers[i] = offers[i];
    device.offer_count = static_cast<int32_t>(offers.size());
    device.best_offer = device.latest_offer = nullptr;
    device.best_offer_better = device.latest_offer_newer = false;
}

} // namespace tdu::test
