// The backup catalogue: the document byte for byte against golden files,
// recording backups, and what loading keeps from good and bad files.
#include "backup/backup_catalogue.h"

#include "backup_fixture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace tdu;
using namespace tdu::test;
namespace fs = std::filesystem;

namespace {

const char* const port1_id = "PCI\\VEN_ACE1&DEV_0001&SUBSYS_00011AC3&REV_01";
const char* const port2_id = "PCI\\VEN_ACE1&DEV_0002&SUBSYS_00011AC3&REV_01";
const char* const sound_id = "PCI\\VEN_ACE2&DEV_0A10&SUBSYS_0A101AC3&REV_02";

std::string golden(const char* name)
{
    return read_file(data_dir() / "backup" / "catalogue" / name);
}

// A "driver" element as the program writes it, for building test documents.
std::string device_xml(const std::string& id, const std::string& desc = "Some device")
{
    return "<device><id><![CDATA[" + id + "]]></id><desc><![CDATA[" + desc +
           "]]></desc><manu><![CDATA[ACME]]></manu><name><![CDATA[oem905.inf]]></name>"
           "<version><![CDATA[2.1.0.7]]></version><date><![CDATA[2012-03-14]]></date></device>";
}

std::string driver_xml(const std::string& file, const std::string& devices, const std::string& date = "2013-04-02")
{
    return "<driver><file><![CDATA[" + file + "]]></file><date>" + date + "</date><devices>" + devices +
           "</devices></driver>";
}

std::string document(const std::string& drivers)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<velmor>" + drivers + "</velmor>\r\n";
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scan_backup_machine(inventory);
        program = program_path(dir.path() / "program");
        backups = program_path(dir.path() / "backups");
        fs::create_directories(dir.path() / "program");
        for (const char* archive : {"ACME-LAN--Gigabit.zip", "Vendor-HD-Audio.zip", "Old-Package.zip"})
            write_file(dir.path() / "backups" / archive, "PK");
    }

    fs::path catalogue_file() const { return dir.path() / "program" / "backup.xml"; }

    int load() { return load_catalogue(catalogue, program, backups, inventory); }

    // The catalogue after loading `text`, as "file date: id id" lines.
    std::vector<std::string> load_lines(const std::string& text)
    {
        write_file(catalogue_file(), text);
        catalogue.entries.clear();
        if (load() != 0) return {"-1"};
        std::vector<std::string> lines;
        for (const backup_entry_t& e : catalogue.entries) {
            std::string line = e.file + " " + e.date + ":";
            for (const backup_device_t& d : e.devices) line += " " + utf16_to_utf8(d.device_id);
            lines.push_back(line);
        }
        return lines;
    }

    device_t& device(const char* id) { return *inventory_find_device(inventory, utf8_to_utf16(id)); }

    driver_package_t package_of(std::initializer_list<const char*> ids)
    {
        driver_package_t p;
        for (const char* id : ids) p.devices.push_back(&device(id));
        return p;
    }

    temp_dir_c dir;
    device_inventory_t inventory;
    backup_catalogue_t catalogue;
    u16 program, backups;
};

} // namespace

TEST_F(CatalogueTest, SavesTheDocumentByteForByte)
{
    // 8-bit text in the ANSI code page, even though the declaration says UTF-8.
    copy_field(device(port1_id).name, device_name_chars, u"ACME LAN Gigabit Port 1 \u00e9");
    catalogue.entries.push_back({"ACME-LAN--Gigabit.zip", "2013-04-02",
                                 {backup_device_of(device(port1_id)), backup_device_of(device(port2_id))}});
    catalogue.entries.push_back({"Old-Package.zip", "2012-11-30", {}});
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    EXPECT_EQ(read_file(catalogue_file()), golden("two_entries.xml"));
    EXPECT_FALSE(fs::exists(dir.path() / "program" / "backup.xml.tmp"));

    catalogue.entries.clear();
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    EXPECT_EQ(read_file(catalogue_file()), golden("empty.xml"));
}

TEST_F(CatalogueTest, WritesTheLiveDevicesTextsAndEscapesTheDate)
{
    // The device's texts as they were when the backup was recorded.
    copy_field(device(sound_id).driver_version, device_driver_version_chars, u"6.0.1.6");
    backup_device_t record = backup_device_of(device(sound_id));
    EXPECT_EQ(record.desc, u"Vendor HD Audio");  // the driver description when recorded
    EXPECT_EQ(record.name, u"oem907.inf");
    EXPECT_EQ(record.date, u"2011-11-02");
    catalogue.entries.push_back({"Vendor-HD-Audio.zip", "a&b<c>\"'\x01", {record}});
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    std::string text = read_file(catalogue_file());
    EXPECT_NE(text.find("\t\t<date>a&amp;b&lt;c&gt;&quot;&apos;&#x01;</date>\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\t\t\t\t<desc>\r\n\t\t\t\t\t<![CDATA[Vendor HD Audio Controller]]>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<![CDATA[6.0.1.6]]>"), std::string::npos);
}

TEST_F(CatalogueTest, LoadsWhatItSavedAndFillsTheEntryFieldsOfEachDevice)
{
    catalogue.entries.push_back({"ACME-LAN--Gigabit.zip", "2013-04-02",
                                 {backup_device_of(device(port1_id)), backup_device_of(device(port2_id))}});
    catalogue.entries.push_back({"Vendor-HD-Audio.zip", "2013-04-03", {backup_device_of(device(sound_id))}});
    catalogue.entries.push_back({"Old-Package.zip", "2012-11-30", {}});
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    catalogue.entries.clear();
    ASSERT_EQ(load(), 0);

    // The entry without devices is not kept.
    ASSERT_EQ(catalogue.entries.size(), 2u);
    const backup_entry_t& acme = catalogue.entries[0];
    EXPECT_EQ(acme.file, "ACME-LAN--Gigabit.zip");
    EXPECT_EQ(acme.date, "2013-04-02");
    ASSERT_EQ(acme.devices.size(), 2u);
    const backup_device_t& d = acme.devices[1];
    EXPECT_TRUE(d.has_current);
    EXPECT_EQ(d.current.name, u"ACME LAN Gigabit Port 2");  // the inventory's texts, copied
    EXPECT_EQ(d.device_id, utf8_to_utf16(port2_id));
    EXPECT_EQ(d.desc, u"ACME LAN Gigabit Port 2");  // saved from the device's name
    EXPECT_EQ(d.manu, u"ACME");
    EXPECT_EQ(d.name, u"oem905.inf");
    EXPECT_EQ(d.version, u"2.1.0.7");
    EXPECT_EQ(d.date, u"2012-03-14");
    EXPECT_EQ(d.backup_date, u"2013-04-02");
    EXPECT_EQ(d.archive_file, u"ACME-LAN--Gigabit.zip");
    EXPECT_EQ(catalogue.entries[1].devices[0].archive_file, u"Vendor-HD-Audio.zip");
}

TEST_F(CatalogueTest, RecordingTheSameArchiveAgainKeepsOneEntryWithTheNewerDate)
{
    u16 acme_archive = backups + u"\\ACME-LAN--Gigabit.zip";
    EXPECT_EQ(record_backup(catalogue, acme_archive, package_of({port1_id}), "2013-04-01", program), 0);
    EXPECT_EQ(record_backup(catalogue, backups + u"\\Vendor-HD-Audio.zip", package_of({sound_id}), "2013-04-01",
                            program),
              0);
    EXPECT_EQ(record_backup(catalogue, acme_archive, package_of({port1_id, port2_id}), "2013-04-02", program), 0);

    ASSERT_EQ(catalogue.entries.size(), 2u);
    EXPECT_EQ(catalogue.entries[0].date, "2013-04-02");
    EXPECT_EQ(catalogue.entries[0].devices.size(), 2u);
    // What was saved is what is in memory.
    EXPECT_EQ(load_lines(read_file(catalogue_file())),
              (std::vector<std::string>{"ACME-LAN--Gigabit.zip 2013-04-02: " + std::string(port1_id) + " " + port2_id,
                                        "Vendor-HD-Audio.zip 2013-04-01: " + std::string(sound_id)}));
}

TEST_F(CatalogueTest, ADeletedArchiveLeavesTheCatalogueAtTheNextLoadAndSave)
{
    record_backup(catalogue, backups + u"\\ACME-LAN--Gigabit.zip", package_of({port1_id}), "2013-04-01", program);
    record_backup(catalogue, backups + u"\\Vendor-HD-Audio.zip", package_of({sound_id}), "2013-04-01", program);
    fs::remove(dir.path() / "backups" / "ACME-LAN--Gigabit.zip");
    ASSERT_EQ(load(), 0);
    ASSERT_EQ(catalogue.entries.size(), 1u);
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    EXPECT_EQ(read_file(catalogue_file()).find("ACME"), std::string::npos);
}

TEST_F(CatalogueTest, LoadingKeepsWhatTheRulesAllow)
{
    const std::string acme = "ACME-LAN--Gigabit.zip", audio = "Vendor-HD-Audio.zip";
    const std::string p1 = port1_id, p2 = port2_id, snd = sound_id;
    const std::string good = driver_xml(acme, device_xml(p1));
    const std::string huge(100000, 'x');
    struct row {
        const char* what;
        std::string text;
        std::vector<std::string> kept;  // {"-1"}: loading fails
    };
    const std::vector<row> rows = {
        {"the whole file", document(good), {acme + " 2013-04-02: " + p1}},
        {"missing file element", document("<driver><date>2013-04-02</date><devices>" + device_xml(p1) +
                                          "</devices></driver>" + driver_xml(audio, device_xml(snd))),
         {audio + " 2013-04-02: " + snd}},
        {"missing date", document("<driver><file><![CDATA[" + acme + "]]></file><devices>" + device_xml(p1) +
                                  "</devices></driver>"),
         {}},
        {"archive not in the backup folder", document(driver_xml("Gone.zip", device_xml(p1)) + good),
         {acme + " 2013-04-02: " + p1}},
        {"archive outside the backup folder",
         document(driver_xml("..\\backups\\" + acme, device_xml(p1)) +
                  driver_xml("../backups/" + acme, device_xml(p1)) + driver_xml("C:" + acme, device_xml(p1))),
         {}},
        {"no devices element",
         document("<driver><file><![CDATA[" + acme + "]]></file><date>2013-04-02</date></driver>"), {}},
        {"first device unknown", document(driver_xml(acme, device_xml("PCI\\VEN_DEAD") + device_xml(p1))), {}},
        {"a later unknown device ends the list",
         document(driver_xml(acme, device_xml(p1) + device_xml("PCI\\VEN_DEAD") + device_xml(p2))),
         {acme + " 2013-04-02: " + p1}},
        {"device ids compare exactly",
         document(driver_xml(acme, device_xml("pci\\ven_ace1&dev_0001&subsys_00011ac3&rev_01"))), {}},
        {"device without manu",
         document(driver_xml(acme, "<device><id><![CDATA[" + p1 + "]]></id><desc>a</desc><name>b</name>"
                                   "<version>c</version><date>d</date></device>")),
         {}},
        {"empty texts besides the id",
         document(driver_xml(acme, "<device><id><![CDATA[" + p1 + "]]></id><desc /><manu></manu><name/>"
                                   "<version><![CDATA[]]></version><date>d</date></device>")),
         {acme + " 2013-04-02: " + p1}},
        {"a second entry of the same archive", document(good + driver_xml(acme, device_xml(p2), "2014-01-01")),
         {acme + " 2013-04-02: " + p1}},
        {"huge texts are cut", document(driver_xml(acme, device_xml(p1, huge), huge)),
         {acme + " xxxxxxxxxx: " + p1}},
        // Written back as they were read, these dates made the next load
        // misread or drop the entry.
        {"a date keeps only its ASCII characters", document(driver_xml(acme, device_xml(p1), "2013-\xC9\xC9-02")),
         {acme + " 2013--02: " + p1}},
        {"a date without ASCII is no date", document(driver_xml(acme, device_xml(p1), "\xFF\xFF\xFF")), {}},
        {"a date of control bytes and a line end is no date",
         document(driver_xml(acme, device_xml(p1), "\x7F\r\n\x7F")), {}},
        {"a date's spaces as a parser reads them",
         document(driver_xml(acme, device_xml(p1), "<![CDATA[ 2013 \x7F 04]]>")), {acme + " 2013 04: " + p1}},
        {"a line end in an archive name",
         document("<driver><file>Odd&#13;.zip</file><date>2013-04-02</date><devices>" + device_xml(p1) +
                  "</devices></driver>"),
         {}},
        {"huge file name", document(driver_xml(huge + ".zip", device_xml(p1))), {}},
        {"devices not in the inventory load as empty",
         document(driver_xml(acme, device_xml("PCI\\VEN_DEAD")) + driver_xml(audio, device_xml("ROOT\\GONE"))), {}},
        {"LF line ends and no declaration", "<velmor>\n" + good + "\n</velmor>\n", {acme + " 2013-04-02: " + p1}},
        {"truncated", document(good + good).substr(0, 300), {"-1"}},
        {"cut in a multi-byte character", document(good).substr(0, 120) + "\xE4", {"-1"}},
        {"not XML", "this is not a catalogue\r\n", {"-1"}},
        {"empty file", "", {"-1"}},
        {"no driver element", document("<other />"), {"-1"}},
        {"the empty catalogue", golden("empty.xml"), {"-1"}},
        {"deep nesting", document(std::string(100000, '<') + "a>"), {"-1"}},
        {"nested elements", "<velmor>" + std::string(5000, ' ') + [] {
             std::string s;
             for (int i = 0; i < 20000; ++i) s += "<driver>";
             return s;
         }() + "</velmor>",
         {"-1"}},
    };
    // A file system that allows a carriage return in a name holds the
    // archive the line-end row names (Windows does not).
    std::ofstream(dir.path() / "backups" / "Odd\r.zip") << "PK";
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(load_lines(r.text), r.kept);
        // What the program rewrites reads back the same.
        if (r.kept.empty() || r.kept[0] == "-1") continue;
        ASSERT_EQ(save_catalogue(catalogue, program), 0);
        EXPECT_EQ(load_lines(read_file(catalogue_file())), r.kept);
    }
    // The cut texts keep their field widths.
    load_lines(document(driver_xml(acme, device_xml(p1, huge), huge)));
    ASSERT_EQ(catalogue.entries.size(), 1u);
    EXPECT_EQ(catalogue.entries[0].devices[0].desc.size(), 1024u);
    EXPECT_EQ(catalogue.entries[0].devices[0].backup_date, u"xxxxxxxxxx");
}

TEST_F(CatalogueTest, AFailedLoadLeavesTheEntriesAsTheyWere)
{
    record_backup(catalogue, backups + u"\\ACME-LAN--Gigabit.zip", package_of({port1_id}), "2013-04-01", program);
    for (const char* text : {"", "<velmor />", "<velmor><driver>"}) {
        write_file(catalogue_file(), text);
        EXPECT_EQ(load(), -1);
        EXPECT_EQ(catalogue.entries.size(), 1u);
    }
    fs::remove(catalogue_file());
    EXPECT_EQ(load(), -1);
    EXPECT_EQ(catalogue.entries.size(), 1u);
}

TEST_F(CatalogueTest, TextsHoldingTheEndOfACdataSectionSurviveSavingAndLoading)
{
    // Written as adjacent sections split inside "]]>", read as one text.
    copy_field(device(port1_id).name, device_name_chars, u"Port ]]> one ]]]]>>");
    catalogue.entries.push_back({"ACME-LAN--Gigabit.zip", "2013-04-02", {backup_device_of(device(port1_id))}});
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    EXPECT_NE(read_file(catalogue_file()).find("<![CDATA[Port ]]]]><![CDATA[> one ]]]]]]><![CDATA[>>]]>"),
              std::string::npos);
    catalogue.entries.clear();
    ASSERT_EQ(load(), 0);
    ASSERT_EQ(catalogue.entries.size(), 1u);
    EXPECT_EQ(catalogue.entries[0].devices[0].desc, u"Port ]]> one ]]]]>>");

    // An archive name too (one Windows would not allow, but the document
    // must stay well-formed whatever it holds).
    std::string text = print_catalogue({{"a]]>b.zip", "2013-04-02", {}}});
    EXPECT_NE(text.find("\t\t\t<![CDATA[a]]]]><![CDATA[>b.zip]]>\n"), std::string::npos) << text;
}

TEST_F(CatalogueTest, ACatalogueThatCannotBeWrittenFailsAndKeepsTheOldFile)
{
    write_file(catalogue_file(), "the old catalogue");
    catalogue.entries.push_back({"ACME-LAN--Gigabit.zip", "2013-04-02", {backup_device_of(device(port1_id))}});

    // The temporary file cannot be made.
    fs::create_directories(dir.path() / "program" / "backup.xml.tmp" / "x");
    EXPECT_EQ(save_catalogue(catalogue, program), -1);
    EXPECT_EQ(read_file(catalogue_file()), "the old catalogue");
    fs::remove_all(dir.path() / "program" / "backup.xml.tmp");

    // The complete file cannot replace the catalogue's name.
    fs::remove(catalogue_file());
    fs::create_directories(catalogue_file() / "x");
    EXPECT_EQ(save_catalogue(catalogue, program), -1);
    EXPECT_FALSE(fs::exists(dir.path() / "program" / "backup.xml.tmp"));
    EXPECT_EQ(record_backup(catalogue, backups + u"\\ACME-LAN--Gigabit.zip", package_of({port1_id}), "2013-04-02",
                            program),
              -1);

    EXPECT_EQ(save_catalogue(catalogue, program_path(dir.path() / "no_such_folder")), -1);
}

TEST(CatalogueDate, TodayIsALocalDate)
{
    std::string today = local_date_today();
    ASSERT_EQ(today.size(), 10u);
    EXPECT_EQ(today[4], '-');
    EXPECT_EQ(today[7], '-');
    EXPECT_GE(today.substr(0, 4), "2024");
}

TEST_F(CatalogueTest, RecordsNeedNoInventoryRecordAfterARescan)
{
    // A backup is recorded; then a scan frees every device record and makes
    // new ones, and "backup.xml" goes away so the next load keeps the old
    // entries. Saving and listing must not reach for the freed records.
    ASSERT_EQ(record_backup(catalogue, backups + u"\\ACME-LAN--Gigabit.zip", package_of({port1_id, port2_id}),
                            "2013-04-01", program),
              0);
    const std::string saved = read_file(catalogue_file());
    inventory_clear(inventory);
    scan_backup_machine(inventory);
    fs::remove(catalogue_file());
    EXPECT_EQ(load(), -1);
    ASSERT_EQ(catalogue.entries.size(), 1u);
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    EXPECT_EQ(read_file(catalogue_file()), saved);
    EXPECT_NE(saved.find("<![CDATA[ACME LAN Gigabit Port 2]]>"), std::string::npos);

    // The same after loading: the loaded records carry copies as well.
    ASSERT_EQ(load(), 0);
    inventory_clear(inventory);
    ASSERT_EQ(save_catalogue(catalogue, program), 0);
    EXPECT_EQ(read_file(catalogue_file()), saved);
}

TEST_F(CatalogueTest, AnArchiveNameTakenByOtherDevicesGetsASuffix)
{
    const u16 title = u"ACME-LAN--Gigabit";
    auto records = [&](std::initializer_list<const char*> ids) {
        std::vector<backup_device_t> out;
        for (const char* id : ids) out.push_back(backup_device_of(device(id)));
        return out;
    };
    struct row {
        const char* what;
        std::vector<backup_entry_t> entries;
        std::vector<backup_device_t> package;
        u16 expected;
    };
    const std::vector<row> rows = {
        {"nothing catalogued", {}, records({port1_id}), u"ACME-LAN--Gigabit.zip"},
        {"catalogued for this package", {{"ACME-LAN--Gigabit.zip", "2013-04-01", records({port1_id})}},
         records({port1_id, port2_id}), u"ACME-LAN--Gigabit.zip"},
        {"catalogued for other devices", {{"ACME-LAN--Gigabit.zip", "2013-04-01", records({port1_id})}},
         records({sound_id}), u"ACME-LAN--Gigabit (2).zip"},
        {"in another letter case", {{"acme-lan--gigabit.zip", "2013-04-01", records({port1_id})}},
         records({sound_id}), u"ACME-LAN--Gigabit (2).zip"},
        {"the suffixed one taken too",
         {{"ACME-LAN--Gigabit.zip", "2013-04-01", records({port1_id})},
          {"ACME-LAN--Gigabit (2).zip", "2013-04-01", records({port2_id})}},
         records({sound_id}), u"ACME-LAN--Gigabit (3).zip"},
        {"the suffixed one this package's",
         {{"ACME-LAN--Gigabit.zip", "2013-04-01", records({port1_id})},
          {"ACME-LAN--Gigabit (2).zip", "2013-04-01", records({sound_id})}},
         records({sound_id}), u"ACME-LAN--Gigabit (2).zip"},
        // Such an entry restores nothing (loading drops it): its name is free.
        {"an entry without devices", {{"ACME-LAN--Gigabit.zip", "2013-04-01", {}}}, records({sound_id}),
         u"ACME-LAN--Gigabit.zip"},
    };
    for (const row& r : rows) {
        catalogue.entries = r.entries;
        EXPECT_EQ(archive_file_for(catalogue, title, r.package), r.expected) << r.what;
    }
}
