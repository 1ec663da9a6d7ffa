// The "backup.xml" document. TinyXML's printer writes it with one tab per
// level:
//
//   <?xml version="1.0" encoding="UTF-8" ?>
//   <velmor>
//   	<driver>
//   		<file>
//   			<![CDATA[ACME-LAN--Gigabit.zip]]>
//   		</file>
//   		<date>2013-04-02</date>
//   		<devices>
//   			<device>
//   				<id>
//   					<![CDATA[PCI\VEN_8086&DEV_100E]]>
//   				</id>
//   				... desc, manu, name, version, date alike
//   			</device>
//   		</devices>
//   	</driver>
//   </velmor>
//
// An entry an installation wrote just before it replaced the package has
// two attributes on its element: <driver before_update="1"
// replaced_by="netdemo.inf (netdemo-2.0.zip)">; older versions of the
// program read past them. An entry without devices has "<devices />", an empty catalogue is
// "<velmor />". Texts are 8-bit in the ANSI code page even though the
// declaration says UTF-8, as older versions of the program wrote them.
#include "backup/backup_catalogue.h"

#include "common/ansi_text.h"
#include "common/files.h"
#include "common/xml_depth.h"
#include "common/xml_writer.h"

#include <tinyxml.h>

namespace tdu {
namespace {

const char* const device_fields[] = {"id", "desc", "manu", "name", "version", "date"};

void add_device(TiXmlNode& devices, const backup_device_t& record)
{
    // The inventory device's texts as recorded or loaded, so an entry
    // carries the current ones (the record's own for a record without them).
    const backup_device_texts_t& d = record.current;
    const bool live = record.has_current;
    const u16view values[] = {
        live ? u16view(d.device_id) : u16view(record.device_id),
        live ? u16view(d.name) : u16view(record.desc),
        live ? u16view(d.provider_name) : u16view(record.manu),
        live ? u16view(d.inf_path) : u16view(record.name),
        live ? u16view(d.driver_version) : u16view(record.version),
        live ? u16view(d.driver_date) : u16view(record.date),
    };
    TiXmlElement* device = add_element(devices, "device");
    for (int i = 0; i < 6; ++i) add_cdata_element(*device, device_fields[i], utf16_to_ansi(values[i]));
}

// The text of an element: its leading text and CDATA children joined; no
// value when its first child is not text.
bool element_text(const TiXmlElement* element, std::string& text)
{
    if (!element) return false;
    const TiXmlNode* child = element->FirstChild();
    if (!child || !child->ToText()) return false;
    text.clear();
    for (; child && child->ToText(); child = child->NextSibling()) text += child->Value();
    return true;
}

u16 field(const std::string& ansi, size_t chars)
{
    u16 text = ansi_to_utf16(ansi);
    if (text.size() > chars - 1) text.resize(chars - 1);
    return text;
}

bool read_device(const TiXmlElement& element, const backup_entry_t& entry, const device_inventory_t& inventory,
                 backup_device_t& record)
{
    std::string values[6];
    for (int i = 0; i < 6; ++i) {
        const TiXmlElement* child = element.FirstChildElement(device_fields[i]);
        if (!child) return false;
        // The id identifies the device; the other texts may be empty.
        if (!element_text(child, values[i]) && i == 0) return false;
    }
    record.device_id = field(values[0], backup_device_id_chars);
    const device_t* device = inventory_find_device(inventory, record.device_id);
    if (!device) return false;
    record.has_current = true;
    record.current = current_texts_of(*device);
    record.desc = field(values[1], backup_desc_chars);
    record.manu = field(values[2], backup_manu_chars);
    record.name = field(values[3], backup_name_chars);
    record.version = field(values[4], backup_version_chars);
    record.date = field(values[5], backup_date_chars);
    record.backup_date = field(entry.date, backup_date_chars);
    record.archive_file = field(entry.file, backup_file_chars);
    return true;
}

// An archive name from the file is a plain file name: one with a folder,
// drive or stream part could make a restore read or write outside the
// backup folder. Control characters are refused as well: the program never
// names an archive with one, and a carriage return written back into the
// name's CDATA section would be read as a line feed, naming another file.
bool is_plain_file_name(u16view name)
{
    if (name.empty() || name == u"." || name == u"..") return false;
    for (char16_t c : name) {
        if (c < 0x20) return false;
    }
    return name.find_first_of(u"\\/:") == u16view::npos;
}

// The date of an entry as read: cut to the field, then only its printable
// ASCII characters, with spaces as a parser reads a text node (none at
// either end, one for a run). The program writes the date as "%Y-%m-%d";
// other bytes, a multi-byte character cut at the field's end, or spaces
// left at an end or side by side once control bytes are gone would be
// written back into a document that is then read differently (a date of
// control bytes and line ends became one space, which the next load read
// as no date and so dropped the entry).
std::string readable_date(const std::string& text)
{
    std::string date;
    bool space = false;
    for (char c : text.substr(0, backup_date_chars - 1)) {
        if (c == ' ') {
            space = true;
        } else if (c > 0x20 && c < 0x7F) {
            if (space && !date.empty()) date.push_back(' ');
            space = false;
            date.push_back(c);
        }
    }
    return date;
}

bool read_entry(const TiXmlElement& driver, u16view backup_folder, const device_inventory_t& inventory,
                backup_entry_t& entry)
{
    if (!element_text(driver.FirstChildElement("file"), entry.file)) return false;
    if (entry.file.size() > backup_file_chars - 1) entry.file.resize(backup_file_chars - 1);
    const TiXmlElement* date = driver.FirstChildElement("date");
    if (!date || !date->GetText()) return false;
    u16 file = ansi_to_utf16(entry.file);
    if (!is_plain_file_name(file) || !is_regular_file(path_join(backup_folder, file))) return false;
    entry.date = readable_date(date->GetText());
    if (entry.date.empty()) return false;  // as good as missing, and written back as such
    const char* before_update = driver.Attribute("before_update");
    entry.origin.before_update = before_update && std::string(before_update) == "1";
    if (entry.origin.before_update) {
        const char* replaced_by = driver.Attribute("replaced_by");
        entry.origin.replaced_by = replaced_by ? replaced_by : "";
    }

    const TiXmlElement* devices = driver.FirstChildElement("devices");
    const TiXmlElement* device = devices ? devices->FirstChildElement("device") : nullptr;
    for (; device; device = device->NextSiblingElement("device")) {
        backup_device_t record;
        if (!read_device(*device, entry, inventory, record)) break;
        entry.devices.push_back(std::move(record));
    }
    return !entry.devices.empty();
}

} // namespace

std::string print_catalogue(const std::vector<backup_entry_t>& entries)
{
    TiXmlDocument document;
    add_utf8_declaration(document);
    TiXmlElement* root = add_element(document, "velmor");
    for (const backup_entry_t& entry : entries) {
        TiXmlElement* driver = add_element(*root, "driver");
        if (entry.origin.before_update) {
            driver->SetAttribute("before_update", "1");
            driver->SetAttribute("replaced_by", entry.origin.replaced_by.c_str());
        }
        add_cdata_element(*driver, "file", entry.file);
        add_text_element(*driver, "date", entry.date);
        TiXmlElement* devices = add_element(*driver, "devices");
        for (const backup_device_t& record : entry.devices) add_device(*devices, record);
    }
    return print_document(document);
}

bool parse_catalogue(std::string_view text, u16view backup_folder, const device_inventory_t& inventory,
                     std::vector<backup_entry_t>& entries)
{
    // TinyXML parses nesting by recursion: refuse what could exhaust the stack.
    if (!xml_nesting_acceptable(text)) return false;
    // Line ends as TinyXML's own file loading leaves them ("\r\n" and a lone
    // "\r" become "\n"). The zero bytes behind the end keep its parser, which
    // steps over a multi-byte character's length at once, inside the buffer
    // when a file ends in the middle of one.
    std::string buffer;
    buffer.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            buffer.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\0') {
            break;  // the parser reads up to the first zero byte
        } else {
            buffer.push_back(text[i]);
        }
    }
    buffer.append(8, '\0');

    TiXmlDocument document;
    document.Parse(buffer.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (document.Error()) return false;
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* driver = root ? root->FirstChildElement("driver") : nullptr;
    if (!driver) return false;

    entries.clear();
    for (; driver; driver = driver->NextSiblingElement("driver")) {
        backup_entry_t entry;
        if (!read_entry(*driver, backup_folder, inventory, entry)) continue;
        bool known = false;
        for (const backup_entry_t& e : entries) known = known || e.file == entry.file;
        if (!known) entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace tdu
