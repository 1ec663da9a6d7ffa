// The message box as a real window under Wine: what each way of closing it
// returns, its layout and colours, real clicks in its band, a long text
// shown whole in a box grown for it (every long interface text of every
// language), and its fonts on a screen of 120 dpi.
#include "app/language.h"
#include "ui/dialogs/message_window.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/skin/wrapped_text.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tdu;
using namespace tdu::test;

namespace {

const char16_t short_text[] = u"The download has been removed.";

POINT client_to_screen(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
}

POINT button_centre(HWND box, int id)
{
    RECT r{};
    GetWindowRect(GetDlgItem(box, id), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The centre of the caption close button, in screen coordinates, at a
// height `below_frame` pixels under the top frame edge.
POINT close_button_point(HWND box, int below_frame)
{
    RECT r{};
    GetWindowRect(box, &r);
    int frame = GetSystemMetrics(SM_CXDLGFRAME);
    return POINT{r.right - frame - 15, r.top + GetSystemMetrics(SM_CYDLGFRAME) + below_frame};
}

// The lowest row (from `top`, exclusive of `bottom`) of columns left..right
// of `shot` holding a pixel other than `background`; -1 for none.
int lowest_ink_row(const picture_t& shot, int left, int top, int right, int bottom, uint32_t background)
{
    for (int y = bottom - 1; y >= top; --y)
        for (int x = left; x < right; ++x)
            if (shot.at(x, y) != background) return y;
    return -1;
}

// Whether the box shows its whole text: its text area, from the text's top
// down to the button strip, has its lowest ink exactly where the same text
// drawn in a column of the same width without any bottom limit has its own;
// the laid-out text ends above the strip, and the strip starts where the
// box says. Empty when it does; else what differs.
std::string text_shown_whole(HWND box, const message_window_c& window, u16view text)
{
    const message_box_geometry_t& g = window.geometry();
    RECT wr{};
    GetWindowRect(box, &wr);
    POINT origin{0, 0};
    ClientToScreen(box, &origin);
    const int left = origin.x - wr.left, top = origin.y - wr.top;
    picture_t shot = capture_window(box);
    const uint32_t body = rgb(colour::side_bar);
    int shown = lowest_ink_row(shot, left + g.text.left, top + g.text.top, left + g.text.right, top + g.strip_top, body);

    const int width = g.text.right - g.text.left, tall = 4000;
    dib_t column(width, tall);
    column.fill(colour::side_bar);
    HGDIOBJ old = SelectObject(column.dc(), skin_font(font_verdana_10));
    SetBkMode(column.dc(), TRANSPARENT);
    SetTextColor(column.dc(), colour::message_text);
    RECT all{0, 0, width, tall};
    draw_wrapped_text(column.dc(), text, all, message_box_metrics::line_gap, DT_LEFT);
    SelectObject(column.dc(), old);
    int whole = lowest_ink_row(column.picture(), 0, 0, width, tall, body);

    std::string problems;
    if (shown < 0 || shown - (top + g.text.top) != whole)
        problems += "lowest ink at " + std::to_string(shown < 0 ? -1 : shown - (top + g.text.top)) +
                    " below the text's top, drawn whole at " + std::to_string(whole) + "; ";
    if (g.text_bottom + 30 > g.strip_top) problems += "the laid-out text reaches into the strip; ";
    if (shot.at(left + 10, top + g.strip_top) != rgb(colour::band) ||
        shot.at(left + 10, top + g.strip_top - 1) != body)
        problems += "the strip does not start at " + std::to_string(g.strip_top) + "; ";
    RECT cr{};
    GetClientRect(box, &cr);
    if (cr.bottom != g.height - ((wr.bottom - wr.top) - cr.bottom) || g.strip_top + 34 > cr.bottom)
        problems += "the strip does not fit the client area; ";
    RECT button{};
    GetWindowRect(GetDlgItem(box, IDOK), &button);
    if (button.bottom > wr.bottom || button.right > wr.right) problems += "the button lies outside the box; ";
    return problems;
}

// Shows `text` in a box of `style` and returns text_shown_whole's verdict
// and the box's size.
std::string show_and_check(u16view text, unsigned style, SIZE* size = nullptr)
{
    message_window_c window(text, style);
    std::string problems = "the box did not come up";
    while_dialog_up_t check([&](HWND box) {
        pump_messages(100);
        problems = text_shown_whole(box, window, text);
        if (size) *size = SIZE{window.geometry().width, window.geometry().height};
        EndDialog(box, 1);
    });
    window.run(nullptr);
    return problems;
}

std::wstring beside_program(const wchar_t* name)
{
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

} // namespace

TEST(SkinnedMessageBox, EachWayOfClosingReturnsItsResult)
{
    struct row {
        const char* what;
        unsigned style;
        std::function<void(HWND)> close;
        int result;
    };
    const row rows[] = {
        {"OK clicked", 0, [](HWND b) { POINT p = button_centre(b, IDOK); click_at(p.x, p.y); }, 1},
        {"Yes clicked", 3, [](HWND b) { POINT p = button_centre(b, IDOK); click_at(p.x, p.y); }, 1},
        {"No clicked", 3, [](HWND b) { POINT p = button_centre(b, IDCANCEL); click_at(p.x, p.y); }, 2},
        {"Cancel clicked", 4, [](HWND b) { POINT p = button_centre(b, IDCANCEL); click_at(p.x, p.y); }, 2},
        // The close button's lower part lies below the system caption's
        // height, where the default hit test answers HTNOWHERE.
        {"yes/no closed with the caption button", 3,
         [](HWND b) { POINT p = close_button_point(b, 20); click_at(p.x, p.y); }, 0},
        {"retry/cancel closed with the caption button", 4,
         [](HWND b) { POINT p = close_button_point(b, 8); click_at(p.x, p.y); }, 0},
        {"Escape", 3, [](HWND b) { PostMessageW(b, WM_COMMAND, IDCANCEL, 0); }, 2},
    };
    for (const auto& r : rows) {
        while_dialog_up_t closer([&](HWND box) {
            pump_messages(100);
            r.close(box);
            // A box still up after the action is ended, so the test goes on.
            pump_messages(200);
            if (IsWindowVisible(box)) EndDialog(box, 99);
        });
        int result = show_message_box(nullptr, short_text, r.style);
        EXPECT_TRUE(closer.ran()) << r.what;
        EXPECT_EQ(result, r.result) << r.what;
    }
}

TEST(SkinnedMessageBox, CaptionButtonPressReleaseFiresOnceAndHoverResets)
{
    int presses = 0;
    int result = -1;
    {
        while_dialog_up_t closer([&](HWND box) {
            pump_messages(100);
            POINT p = close_button_point(box, 10);
            LPARAM at = MAKELPARAM(p.x, p.y);
            EXPECT_EQ(SendMessageW(box, WM_NCHITTEST, 0, at), HTBORDER);
            // Hover, then the mouse leaves the window: the hover image goes.
            SendMessageW(box, WM_NCMOUSEMOVE, HTBORDER, at);
            pump_messages(50);
            SendMessageW(box, WM_NCMOUSELEAVE, 0, 0);
            // A double click on the button is swallowed and closes nothing.
            SendMessageW(box, WM_NCLBUTTONDBLCLK, HTBORDER, at);
            pump_messages(50);
            EXPECT_TRUE(IsWindowVisible(box));
            ++presses;
            SendMessageW(box, WM_NCLBUTTONDOWN, HTBORDER, at);
            pump_messages(50);
            EXPECT_TRUE(IsWindowVisible(box)) << "a press alone does not close";
            SendMessageW(box, WM_NCLBUTTONUP, HTBORDER, at);
            // A second release (no press) must not fire again: the box has
            // already ended, so nothing may crash either.
            SendMessageW(box, WM_NCLBUTTONUP, HTBORDER, at);
        });
        result = show_message_box(nullptr, short_text, 3);
    }
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(result, 0);
}

TEST(SkinnedMessageBox, LayoutAndColours)
{
    struct row {
        unsigned style;
        bool second_visible;
        POINT first, second;
    };
    const row rows[] = {
        {0, false, {115, 136}, {0, 0}},
        {2, false, {115, 136}, {0, 0}},
        {3, true, {180, 136}, {50, 136}},
        {4, true, {180, 136}, {50, 136}},
    };
    for (const auto& r : rows) {
        while_dialog_up_t check([&](HWND box) {
            pump_messages(150);
            RECT wr{}, cr{};
            GetWindowRect(box, &wr);
            GetClientRect(box, &cr);
            EXPECT_EQ(wr.right - wr.left, 300) << r.style;
            EXPECT_EQ(wr.bottom - wr.top, 200) << r.style;
            // The client area starts below the frame and the 30-pixel band.
            POINT origin = client_to_screen(box, 0, 0);
            EXPECT_EQ(origin.y - wr.top, GetSystemMetrics(SM_CYDLGFRAME) + 30) << r.style;

            HWND first = GetDlgItem(box, IDOK), second = GetDlgItem(box, IDCANCEL);
            RECT fr{};
            GetWindowRect(first, &fr);
            POINT fp = client_to_screen(box, r.first.x, r.first.y);
            EXPECT_EQ(fr.left, fp.x) << r.style;
            EXPECT_EQ(fr.top, fp.y) << r.style;
            EXPECT_EQ(fr.right - fr.left, 70) << r.style;
            EXPECT_EQ(IsWindowVisible(second) != FALSE, r.second_visible) << r.style;
            if (r.second_visible) {
                RECT sr{};
                GetWindowRect(second, &sr);
                POINT sp = client_to_screen(box, r.second.x, r.second.y);
                EXPECT_EQ(sr.left, sp.x) << r.style;
            }

            picture_t shot = capture_window(box);
            int top = origin.y - wr.top, left = origin.x - wr.left;
            EXPECT_EQ(shot.at(0, 0), rgb(colour::outer_border)) << r.style;
            EXPECT_EQ(shot.at(1, 1), rgb(colour::band)) << r.style;
            EXPECT_EQ(shot.at(150, top - 5), rgb(colour::band)) << "band " << r.style;
            EXPECT_EQ(shot.at(left + 290, top + 120), rgb(colour::side_bar)) << "body " << r.style;
            EXPECT_EQ(shot.at(left + 10, top + 150), rgb(colour::band)) << "strip " << r.style;
            // The text is drawn in its rectangle: some pixel there is not the body colour.
            bool text = false;
            for (int y = top + 30; y < top + 50 && !text; ++y)
                for (int x = left + 80; x < left + 272 && !text; ++x) text = shot.at(x, y) != rgb(colour::side_bar);
            EXPECT_TRUE(text) << r.style;
            EndDialog(box, 1);
        });
        show_message_box(nullptr, short_text, r.style);
        EXPECT_TRUE(check.ran());
    }
}

TEST(SkinnedMessageBox, ALongTextGrowsTheBoxAndShowsWhole)
{
    struct row {
        const char* what;
        std::u16string text;
        unsigned style;
        bool wider;
    };
    std::u16string paragraph;
    for (int i = 0; i < 40; ++i) paragraph += u"many words of a long message ";
    const row rows[] = {
        {"the close-to-tray warning",
         u"Tavrill Driver Updater keeps running in the notification area. To exit, right-click its icon and choose "
         u"Exit.",
         0, false},
        {"the scan failure",
         u"The update service could not be reached. Please check your Internet connection and try again.", 4, false},
        {"line feeds", u"one\ntwo\nthree\nfour\nfive\nsix\nseven\neight", 3, false},
        {"a paragraph with a word wider than the box",
         paragraph + u"Averylongwordwithoutanyspacesthatisfarwiderthanthetextrectangleofthebox", 0, true},
    };
    for (const auto& r : rows) {
        SIZE size{};
        EXPECT_EQ(show_and_check(r.text, r.style, &size), "") << r.what;
        EXPECT_GT(size.cy, 200) << r.what;
        EXPECT_EQ(size.cx > 300, r.wider) << r.what;
        EXPECT_LE(size.cy, size.cx) << r.what;
    }
}

// Every interface text longer than 60 characters, in every language: the
// box laid out for it in the box's font holds all its lines (drawn into the
// box's text rectangle, its lowest ink is where the text drawn without a
// bottom has it); the longest text of each language is also shown in a real
// box and checked there.
TEST(SkinnedMessageBox, EveryLongInterfaceTextShowsWholeInEveryLanguage)
{
    const std::wstring file = beside_program(L"language.ini");
    language_table_t names;
    ASSERT_EQ(language_load(names, reinterpret_cast<const char16_t*>(file.c_str()), u"English", true), 0);
    ASSERT_GE(names.language_names.size(), 2u);
    // The frame and band as a real box has them.
    SIZE frame{};
    {
        message_window_c window(short_text, 0);
        while_dialog_up_t measure([&](HWND box) {
            RECT wr{}, cr{};
            GetWindowRect(box, &wr);
            GetClientRect(box, &cr);
            frame = SIZE{(wr.right - wr.left) - cr.right, (wr.bottom - wr.top) - cr.bottom};
            EndDialog(box, 1);
        });
        window.run(nullptr);
    }
    ASSERT_GT(frame.cy, 30);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

    const uint32_t body = rgb(colour::side_bar);
    // Taller than any box the work area allows, wider than its text.
    const int tall = 1600;
    dib_t canvas(1200, tall);
    int checked = 0;
    for (const u16& name : names.language_names) {
        language_table_t table;
        language_load(table, reinterpret_cast<const char16_t*>(file.c_str()), name, true);
        u16 longest;
        for (const auto& [key, text] : table.texts) {
            if (text.size() <= 60) continue;
            if (text.size() > longest.size()) longest = text;
            HGDIOBJ old = SelectObject(canvas.dc(), skin_font(font_verdana_10));
            dc_text_measure_c measure(canvas.dc());
            message_box_geometry_t g = message_box_geometry(message_box_layout(4), text, measure, frame.cx, frame.cy,
                                                            work.right - work.left, work.bottom - work.top);
            canvas.fill(colour::side_bar);
            SetBkMode(canvas.dc(), TRANSPARENT);
            SetTextColor(canvas.dc(), colour::message_text);
            RECT in_box{g.text.left, g.text.top, g.text.right, g.text.bottom};
            draw_wrapped_text(canvas.dc(), text, in_box, message_box_metrics::line_gap, DT_LEFT);
            const int width = g.text.right - g.text.left;
            int boxed = lowest_ink_row(canvas.picture(), g.text.left, g.text.top, g.text.right, g.strip_top, body);
            // The same text again, alone, with no bottom: its last row must be the boxed one's.
            canvas.fill(colour::side_bar);
            RECT alone{0, g.text.top, width, tall};
            draw_wrapped_text(canvas.dc(), text, alone, message_box_metrics::line_gap, DT_LEFT);
            SelectObject(canvas.dc(), old);
            int whole = lowest_ink_row(canvas.picture(), 0, 0, width, tall, body);
            EXPECT_TRUE(g.whole) << utf16_to_utf8(name) << " " << key;
            EXPECT_EQ(boxed, whole) << utf16_to_utf8(name) << " " << key << ": the box cuts the text";
            EXPECT_LE(g.text_bottom + 30, g.strip_top) << utf16_to_utf8(name) << " " << key;
            ++checked;
        }
        if (!longest.empty()) EXPECT_EQ(show_and_check(longest, 3), "") << utf16_to_utf8(name) << " (a real box)";
    }
    EXPECT_GT(checked, 0);
}

// Run as a child process with the screen set to 120 dpi: prints the pixel
// heights the box's fonts have there.
TEST(MessageBoxAtDpi, ReportFontHeights)
{
    if (!GetEnvironmentVariableW(L"TDU_DPI_REPORT", nullptr, 0)) GTEST_SKIP() << "run by FontsKeepTheirHeights";
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    int text_height = 0, button_height = 0, caption = GetSystemMetrics(SM_CYCAPTION), band_offset = 0;
    while_dialog_up_t check([&](HWND box) {
        pump_messages(100);
        HDC dc = GetDC(box);
        TEXTMETRICW tm{};
        HGDIOBJ old = SelectObject(dc, skin_font(font_verdana_10));
        GetTextMetricsW(dc, &tm);
        text_height = tm.tmHeight;
        SelectObject(dc, skin_font(font_verdana_9_bold));
        GetTextMetricsW(dc, &tm);
        button_height = tm.tmHeight;
        SelectObject(dc, old);
        ReleaseDC(box, dc);
        RECT wr{};
        GetWindowRect(box, &wr);
        POINT origin = client_to_screen(box, 0, 0);
        band_offset = origin.y - wr.top - GetSystemMetrics(SM_CYDLGFRAME);
        EndDialog(box, 1);
    });
    show_message_box(nullptr, short_text, 0);
    std::string whole = show_and_check(
        u"Tavrill Driver Updater keeps running in the notification area. To exit, right-click its icon and choose "
        u"Exit.",
        0);
    printf("dpi=%d caption=%d text=%d button=%d band=%d\n", dpi, caption, text_height, button_height, band_offset);
    printf("whole=[%s]\n", whole.c_str());
}

TEST(MessageBoxAtDpi, FontsKeepTheirHeights)
{
    // Heights here, at the 96 dpi of the test prefix.
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    TEXTMETRICW tm{};
    HGDIOBJ old = SelectObject(screen, skin_font(font_verdana_10));
    GetTextMetricsW(screen, &tm);
    int text96 = tm.tmHeight;
    SelectObject(screen, skin_font(font_verdana_9_bold));
    GetTextMetricsW(screen, &tm);
    int button96 = tm.tmHeight;
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);

    // The same box in a process started while the screen is set to 120 dpi.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    DWORD old_dpi = 0, size = sizeof old_dpi, type = 0;
    bool had = RegQueryValueExW(key, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old_dpi), &size) ==
               ERROR_SUCCESS;
    DWORD dpi = 120;
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=MessageBoxAtDpi.ReportFontHeights";
    SetEnvironmentVariableW(L"TDU_DPI_REPORT", L"1");
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read_end, write_end;
    CreatePipe(&read_end, &write_end, &sa, 0);
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write_end;
    si.hStdError = write_end;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write_end);
    SetEnvironmentVariableW(L"TDU_DPI_REPORT", nullptr);
    std::string output;
    if (started) {
        char buffer[512];
        DWORD got;
        while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(read_end);
    if (had)
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_dpi), sizeof old_dpi);
    else
        RegDeleteValueW(key, L"LogPixels");
    RegCloseKey(key);
    ASSERT_TRUE(started);

    int child_dpi = 0, caption = 0, text = 0, button = 0, band = 0;
    size_t at = output.find("dpi=");
    ASSERT_NE(at, std::string::npos) << output;
    ASSERT_EQ(sscanf(output.c_str() + at, "dpi=%d caption=%d text=%d button=%d band=%d", &child_dpi, &caption, &text,
                     &button, &band),
              5)
        << output;
    EXPECT_EQ(child_dpi, 120) << "the child saw the screen at 120 dpi";
    EXPECT_GT(caption, GetSystemMetrics(SM_CYCAPTION)) << "the system caption grew there";
    EXPECT_EQ(text, text96);
    EXPECT_EQ(button, button96);
    EXPECT_EQ(band, 30) << "the band keeps its height whatever the caption's";
    EXPECT_NE(output.find("whole=[]"), std::string::npos) << "a long text shows whole at 120 dpi: " << output;
}

TEST(SkinnedMessageBox, HostsGetDeclinedForABoxClosedWithItsCaptionButton)
{
    struct row {
        std::function<void(HWND)> close;
        box_result_t answer;
    };
    const row rows[] = {
        {[](HWND b) { POINT p = close_button_point(b, 10); click_at(p.x, p.y); }, box_result_t::declined},
        {[](HWND b) { PostMessageW(b, WM_COMMAND, IDOK, 0); }, box_result_t::accepted},
    };
    for (const auto& r : rows) {
        while_dialog_up_t closer([&](HWND box) {
            pump_messages(100);
            r.close(box);
        });
        EXPECT_EQ(ask_message_box(nullptr, lang::remove_confirm, box_style_t::yes_no), r.answer);
        EXPECT_TRUE(closer.ran());
    }
}
