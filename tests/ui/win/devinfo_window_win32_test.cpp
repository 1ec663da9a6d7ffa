// The device information dialog under Wine with real windows, run modally
// and driven from inside its loop: the list box's selection notice as the
// list box sends it, a real click on a device line, Escape through the
// dialog manager and a real click on the caption close button. The detail
// cells are read back from the list view itself.
//
// The row is the demo catalogue's chipset package over three functions of
// the demo machine's chipset: two with a newer release installed, one
// (the thermal subsystem) without a driver.
#include "app/language.h"
#include "app/language_keys.h"
#include "devices/offer_grouping.h"
#include "program/program.h"
#include "program_start_win32.h"
#include "program_keys_win32.h"
#include "support/sample_devices.h"
#include "ui/dialogs/devinfo_window.h"
#include "ui/skin/fonts.h"
#include "window_test_support.h"
#include "win/screenshot_support.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace tdu;
using namespace tdu::test;

namespace {

class program_environment_t : public ::testing::Environment {
public:
    void SetUp() override
    {
        test::reset_program_keys(true);
        test::apply_screenshot_language();
        ASSERT_EQ(test::start_window_program(failure), 0) << failure;
    }
    void TearDown() override
    {
        program_exit();
        test::reset_program_keys(false);
    }
    std::string failure;
};

const auto* const environment_registered = ::testing::AddGlobalTestEnvironment(new program_environment_t);

// One function of the chipset and its offer from the chipset package.
struct chipset_function_t {
    const char16_t* device;  // PCI\VEN_1A9C&DEV_xxxx
    const char16_t* name;
    const char16_t* installed_inf;  // null: no driver installed
    const char16_t* offered_inf;
};

const chipset_function_t chipset[3] = {
    {u"DEV_2E10", u"Kestrel K-200 SMBus Controller", u"oem13.inf", u"Chipset\\k200smbus.inf"},
    {u"DEV_2E16", u"Kestrel K-200 Thermal Subsystem", nullptr, u"Chipset\\k200therm.inf"},
    {u"DEV_2E14", u"Kestrel K-200 LPC Interface Controller", u"oem14.inf", u"Chipset\\k200lpc.inf"},
};

// The three functions and the row the results list makes of them.
class chipset_row_t {
public:
    chipset_row_t()
    {
        copy_field(system_class.class_name, class_name_chars, u"System");
        copy_field(system_class.description, class_description_chars, u"System devices");
        for (const chipset_function_t& c : chipset) {
            const u16 base = u16(u"PCI\\VEN_1A9C&") + c.device;
            device_fields_t f;
            f.id = base + u"&SUBSYS_" + u16(c.device + 4) + u"1A9C&REV_01";
            f.name = c.name;
            f.class_name = u"System";
            f.hardware_ids = {f.id, base + u"&SUBSYS_" + u16(c.device + 4) + u"1A9C"};
            f.compatible_ids = {base + u"&REV_01", base, u"PCI\\VEN_1A9C"};
            f.has_driver = c.installed_inf != nullptr;
            if (f.has_driver) {
                f.matching_id = u"pci\\ven_1a9c&" + lower(c.device);
                f.date = u"2011-05-20";
                f.version = u"9.3.0.1020";
                f.provider = u"Kestrel Semiconductor";
                f.inf = c.installed_inf;
                f.rank = 0x00FF2001;
            }
            inventory.devices.push_back(make_device(f));
            device_t& d = inventory.devices.back();
            if (f.has_driver) copy_field(d.driver_desc, device_driver_desc_chars, c.name);
            offer_fields_t o;
            o.hardid = f.hardware_ids[1];
            o.date = u"2010-10-12";
            o.version = u"9.2.0.1015";
            o.link = "http://127.0.0.1/packages/kestrel-chipset-9.2.zip";
            o.title = u"Kestrel K-200 Chipset Driver";
            driver_offer_t offer = make_offer(o);
            copy_field(offer.inf_name, offer_inf_name_chars, c.offered_inf);
            copy_field(offer.manufacturer, offer_manufacturer_chars, u"Kestrel Semiconductor");
            copy_field(offer.description, offer_description_chars, c.name);
            set_offers(d, {offer});
            d.best_offer = d.latest_offer = &d.offers[0];
            d.best_offer_better = d.latest_offer_newer = !f.has_driver;
            d.device_class = &system_class;
        }
        offer_grouping_build(grouping, inventory.devices.data(), static_cast<int32_t>(inventory.devices.size()), 0);
    }
    const offer_group_t& group() const { return grouping.groups.at(0); }

    device_class_t system_class;
    device_inventory_t inventory;
    offer_grouping_t grouping;

private:
    static u16 lower(const char16_t* text)
    {
        u16 out(text);
        for (char16_t& c : out)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        return out;
    }
};

// The dialog by its title in the interface language.
HWND devinfo_dialog() { return FindWindowW(L"#32770", wide(language_text(lang::device_detail_title).c_str())); }

// Runs the dialog; `steps` run one after another from inside its loop, each
// once the dialog is up and has been painted once.
class dialog_driver_t {
public:
    using step_t = std::function<void(HWND)>;
    explicit dialog_driver_t(std::vector<step_t> steps) : steps_(std::move(steps)) { current() = this; }
    ~dialog_driver_t() { current() = nullptr; }

    int run(devinfo_window_c& dialog)
    {
        return run([&] { return dialog.run(nullptr); });
    }
    // `open` runs the dialog modally and returns its end code.
    int run(const std::function<int()>& open)
    {
        UINT_PTR timer = SetTimer(nullptr, 0, 100, &dialog_driver_t::tick);
        int result = open();
        KillTimer(nullptr, timer);
        return result;
    }
    size_t steps_left() const { return steps_.size() - next_; }

private:
    static dialog_driver_t*& current()
    {
        static dialog_driver_t* value = nullptr;
        return value;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        dialog_driver_t* d = current();
        if (!d || d->busy_ || d->next_ >= d->steps_.size()) return;
        HWND dialog = devinfo_dialog();
        if (!dialog || !IsWindowVisible(dialog)) return;
        d->busy_ = true;  // a step that pumps messages ticks again
        d->steps_[d->next_++](dialog);
        d->busy_ = false;
    }
    std::vector<step_t> steps_;
    size_t next_ = 0;
    bool busy_ = false;
};

HWND device_list(HWND dialog) { return GetDlgItem(dialog, devinfo_window_c::device_list_id); }
HWND detail_list(HWND dialog) { return GetDlgItem(dialog, devinfo_window_c::detail_list_id); }

std::vector<std::wstring> device_lines(HWND dialog)
{
    std::vector<std::wstring> lines;
    HWND list = device_list(dialog);
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[1025] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

std::wstring cell(HWND dialog, int row, int column)
{
    wchar_t text[1025] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 1025;
    SendMessageW(detail_list(dialog), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int detail_rows(HWND dialog) { return static_cast<int>(SendMessageW(detail_list(dialog), LVM_GETITEMCOUNT, 0, 0)); }

// Selects line `line` and sends the notice the list box itself sends to its
// parent when the user changes the selection.
void choose_device(HWND dialog, int line)
{
    HWND list = device_list(dialog);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(devinfo_window_c::device_list_id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

std::wstring text_of(language_key_t key) { return reinterpret_cast<const wchar_t*>(language_text(key).c_str()); }

// The column of a device's driver as the list shows it.
struct column_t {
    std::vector<std::wstring> cells;
};
column_t column(HWND dialog, int c)
{
    column_t out;
    for (int row = 0; row < detail_rows(dialog); ++row) out.cells.push_back(cell(dialog, row, c));
    return out;
}

BOOL CALLBACK find_shown_tip(HWND window, LPARAM out)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// The tooltip of this thread that shows now, or null.
HWND shown_tip()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_shown_tip, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring tip_text(HWND tip)
{
    wchar_t text[1025] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    if (!SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool))) return L"<no tool>";
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 1025, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// Moves the real mouse onto the middle of a detail cell.
void hover_cell(HWND dialog, int row, int column)
{
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_LABEL;
    SendMessageW(detail_list(dialog), LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    POINT p{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ClientToScreen(detail_list(dialog), &p);
    mouse_move_to(p.x - 1, p.y);
    pump_messages(40);
    mouse_move_to(p.x, p.y);
}

} // namespace

TEST(DevinfoWindow, ListsTheRowsDevicesAndShowsEachOnesOwnDriverBesideItsOwnOffer)
{
    chipset_row_t row;
    ASSERT_EQ(row.group().devices.size(), 3u) << "one package, one row";
    devinfo_window_c dialog(row.group());
    std::vector<std::wstring> lines, headers, names, installed, offered, first_ids;
    std::vector<int> widths;
    bool detail_focused = false, focused_again = false;
    int rows_at_start = 0;
    dialog_driver_t driver({[&](HWND d) {
        lines = device_lines(d);
        detail_focused = GetFocus() == detail_list(d);
        SetFocus(device_list(d));
        SetFocus(d);  // the dialog passes its focus on to the detail list
        focused_again = GetFocus() == detail_list(d);
        rows_at_start = detail_rows(d);
        first_ids.push_back(cell(d, 0, 1));
        HWND header = reinterpret_cast<HWND>(SendMessageW(detail_list(d), LVM_GETHEADER, 0, 0));
        for (int c = 0; c < static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)); ++c) {
            wchar_t text[256] = {};
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.pszText = text;
            col.cchTextMax = 256;
            SendMessageW(detail_list(d), LVM_GETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
            headers.push_back(text);
            widths.push_back(col.cx);
        }
        choose_device(d, 2);
        names = column(d, 0).cells;
        installed = column(d, 1).cells;
        offered = column(d, 2).cells;
        SendMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
    }});
    EXPECT_EQ(driver.run(dialog), 1) << "OK ends with 1";
    ASSERT_EQ(driver.steps_left(), 0u) << "the dialog did not open";

    EXPECT_EQ(lines, (std::vector<std::wstring>{L"Kestrel K-200 SMBus Controller", L"Kestrel K-200 Thermal Subsystem",
                                                L"Kestrel K-200 LPC Interface Controller"}));
    EXPECT_TRUE(detail_focused) << "the detail list has the focus";
    EXPECT_TRUE(focused_again) << "focus given to the dialog goes to the detail list";
    EXPECT_EQ(rows_at_start, 13);
    ASSERT_EQ(first_ids.size(), 1u);
    EXPECT_EQ(first_ids[0], L"PCI\\VEN_1A9C&DEV_2E10&SUBSYS_2E101A9C&REV_01") << "the first device at the start";
    EXPECT_EQ(headers, (std::vector<std::wstring>{text_of(lang::device_detail_description),
                                                  text_of(lang::device_detail_current_driver),
                                                  text_of(lang::device_detail_new_driver)}));
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_EQ(widths[0] + widths[1] + widths[2], 130 + 231 + 231) << "the three columns fill the same width";

    const language_key_t keys[13] = {
        lang::device_detail_list_device_id, lang::device_detail_list_device_desc,
        lang::device_detail_list_matching_device_id, lang::device_detail_list_hardware_ids,
        lang::device_detail_list_compatible_ids, lang::device_detail_list_manufacturer,
        lang::device_detail_list_inf_name, lang::device_detail_list_inf_date, lang::device_detail_list_inf_version,
        lang::device_detail_list_class_name, lang::device_detail_list_class_desc,
        lang::device_detail_list_enumerator, lang::device_detail_list_rank_of_installed_driver,
    };
    const wchar_t* third_installed[13] = {
        L"PCI\\VEN_1A9C&DEV_2E14&SUBSYS_2E141A9C&REV_01", L"Kestrel K-200 LPC Interface Controller",
        L"pci\\ven_1a9c&dev_2e14", L"PCI\\VEN_1A9C&DEV_2E14&SUBSYS_2E141A9C&REV_01", L"PCI\\VEN_1A9C&DEV_2E14&REV_01",
        L"Kestrel Semiconductor", L"oem14.inf", L"2011-05-20", L"9.3.0.1020", L"System", L"System devices", L"PCI",
        L"00FF2001",
    };
    // "(blank)" in the interface language.
    const std::wstring blank = text_of(lang::device_detail_blank);
    const std::wstring third_offered[13] = {
        blank, L"Kestrel K-200 LPC Interface Controller", L"PCI\\VEN_1A9C&DEV_2E14&SUBSYS_2E141A9C",
        blank, blank, L"Kestrel Semiconductor", L"k200lpc.inf", L"2010-10-12", L"9.2.0.1015",
        blank, blank, blank, blank,
    };
    ASSERT_EQ(names.size(), 13u);
    ASSERT_EQ(installed.size(), 13u);
    ASSERT_EQ(offered.size(), 13u);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(names[i], text_of(keys[i])) << keys[i].name;
        EXPECT_EQ(installed[i], third_installed[i]) << keys[i].name;
        EXPECT_EQ(offered[i], third_offered[i]) << keys[i].name;
    }
}

// In another interface language the dialog's title and its blank cells
// are that language's (the template's title is English).
TEST(DevinfoWindow, TitleAndBlankCellsAreInTheInterfaceLanguage)
{
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring file(self, n);
    file = file.substr(0, file.find_last_of(L'\\') + 1) + L"language.ini";
    language_table_t german;
    ASSERT_EQ(language_load(german, reinterpret_cast<const char16_t*>(file.c_str()), u"Deutsch", true), 0);
    const language_table_t before = language_table;
    language_table = german;

    chipset_row_t row;
    devinfo_window_c dialog(row.group());
    std::wstring title, blank_cell;
    dialog_driver_t driver({[&](HWND d) {
        wchar_t text[128] = {};
        GetWindowTextW(d, text, 128);
        title = text;
        blank_cell = cell(d, 0, 2);  // the device ID has no offered value
        SendMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
    }});
    const int result = driver.run(dialog);
    const size_t left = driver.steps_left();
    language_table = before;
    EXPECT_EQ(result, 1);
    ASSERT_EQ(left, 0u) << "the dialog did not open under its German title";
    EXPECT_EQ(title, L"Hardwareinformationen");
    EXPECT_EQ(blank_cell, L"(leer)");
}

TEST(DevinfoWindow, OverItsOwnerAClickOnADeviceWithoutADriverShowsEmptyInstalledCellsAndNoSelectionKeepsThem)
{
    chipset_row_t row;
    // The results view that owns it: a plain top-level window.
    HWND owner = CreateWindowExW(0, L"STATIC", L"results", WS_POPUP | WS_VISIBLE, 100, 100, 800, 600, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    column_t installed, offered, kept_installed, kept_offered;
    LRESULT line_after_click = -2;
    HWND owned_by = nullptr;
    bool owner_enabled = true;
    RECT placed{};
    dialog_driver_t driver({
        [&](HWND d) {
            owned_by = GetWindow(d, GW_OWNER);
            owner_enabled = IsWindowEnabled(owner) != FALSE;
            GetWindowRect(d, &placed);
            // A real click in the middle of the second line.
            HWND list = device_list(d);
            RECT line{};
            SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&line));
            POINT p{(line.left + line.right) / 2, (line.top + line.bottom) / 2};
            ClientToScreen(list, &p);
            click_at(p.x, p.y);
            line_after_click = SendMessageW(list, LB_GETCURSEL, 0, 0);
            installed = column(d, 1);
            offered = column(d, 2);
            choose_device(d, -1);  // no line selected: what is shown stays
            kept_installed = column(d, 1);
            kept_offered = column(d, 2);
            // Escape, through the dialog manager as from the keyboard.
            PostMessageW(detail_list(d), WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(detail_list(d), WM_KEYUP, VK_ESCAPE, 0);
        },
    });
    EXPECT_EQ(driver.run([&] { return show_device_information(owner, row.group()); }), 2) << "Escape ends with 2";
    ASSERT_EQ(driver.steps_left(), 0u);
    EXPECT_EQ(owned_by, owner);
    EXPECT_FALSE(owner_enabled) << "modal over its owner";
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is enabled again";
    EXPECT_EQ(placed.right - placed.left, 640);
    EXPECT_EQ(placed.bottom - placed.top, 480);
    EXPECT_EQ(placed.left, 100 + (800 - 640) / 2) << "centred over its owner";
    EXPECT_EQ(placed.top, 100 + (600 - 480) / 2);
    DestroyWindow(owner);
    EXPECT_EQ(line_after_click, 1);
    ASSERT_EQ(installed.cells.size(), 13u);
    for (int i : {0, 3, 4}) EXPECT_NE(installed.cells[i], L"") << "the node's own IDs, row " << i;
    EXPECT_EQ(installed.cells[0], L"PCI\\VEN_1A9C&DEV_2E16&SUBSYS_2E161A9C&REV_01");
    for (int i : {1, 2, 5, 6, 7, 8}) EXPECT_EQ(installed.cells[i], L"") << "no installed driver, row " << i;
    EXPECT_EQ(installed.cells[12], L"00000000");
    EXPECT_EQ(offered.cells[6], L"k200therm.inf") << "its own offer";
    EXPECT_EQ(offered.cells[8], L"9.2.0.1015");
    EXPECT_EQ(kept_installed.cells, installed.cells);
    EXPECT_EQ(kept_offered.cells, offered.cells);
}

TEST(DevinfoWindow, TheCaptionCloseButtonClosesAndAnEmptyGroupShowsAnEmptyDialog)
{
    offer_group_t empty;
    devinfo_window_c dialog(empty);
    LRESULT lines = -1;
    int rows = -1, rows_after_choice = -1;
    dialog_driver_t driver({[&](HWND d) {
        lines = SendMessageW(device_list(d), LB_GETCOUNT, 0, 0);
        rows = detail_rows(d);
        choose_device(d, 0);
        dialog.show_device_details(3);  // a position the group does not hold
        rows_after_choice = detail_rows(d);
        // A real click on the caption's close button (31 by 21 pixels at
        // the top right frame corner).
        RECT r;
        GetWindowRect(d, &r);
        int frame_x = GetSystemMetrics(SM_CXDLGFRAME), frame_y = GetSystemMetrics(SM_CYDLGFRAME);
        click_at(r.right - frame_x - 15, r.top + frame_y + 10);
    }});
    EXPECT_EQ(driver.run(dialog), 2) << "the close button ends it as Escape does";
    ASSERT_EQ(driver.steps_left(), 0u);
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(rows_after_choice, 0);
}

TEST(DevinfoWindow, ACellTooLongForItsColumnShowsItsWholeTextInATipUnderTheMouse)
{
    chipset_row_t row;
    devinfo_window_c dialog(row.group());
    std::wstring long_cell, tip_over_long, tip_over_short = L"<not looked at>";
    dialog_driver_t driver({[&](HWND d) {
        choose_device(d, 2);
        long_cell = cell(d, 0, 1);
        hover_cell(d, 0, 1);  // the device ID: longer than its column
        if (pump_until([] { return shown_tip() != nullptr; }, 3000)) tip_over_long = tip_text(shown_tip());
        hover_cell(d, 6, 1);  // "oem14.inf" fits
        tip_over_short = pump_until([] { return shown_tip() == nullptr; }, 3000) ? L"" : tip_text(shown_tip());
        SendMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
    }});
    EXPECT_EQ(driver.run(dialog), 1);
    ASSERT_EQ(driver.steps_left(), 0u);
    EXPECT_EQ(long_cell, L"PCI\\VEN_1A9C&DEV_2E14&SUBSYS_2E141A9C&REV_01");
    EXPECT_EQ(tip_over_long, long_cell) << "the whole ID";
    EXPECT_EQ(tip_over_short, L"") << "a cell that fits shows no tip";
}

// The README's picture of the dialog (only when asked, see
// screenshot_support.h).
TEST(DevinfoWindow, Screenshot)
{
    if (screenshot_folder().empty()) GTEST_SKIP() << "TDU_SCREENSHOTS names no folder";
    chipset_row_t row;
    devinfo_window_c dialog(row.group());
    bool saved = false;
    dialog_driver_t driver({
        [&](HWND d) {
            mouse_move_to(5, 5);  // nothing hovered: the picture does not depend on the tests before
            SetWindowPos(d, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
            choose_device(d, 2);
            SendMessageW(device_list(d), LB_SETCURSEL, 2, 0);
        },
        [](HWND) {},  // one tick for the dialog to paint
        [&](HWND d) {
            saved = save_screenshot(d, L"devinfo");
            SendMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        },
    });
    EXPECT_EQ(driver.run(dialog), 1);
    EXPECT_TRUE(saved);
}
