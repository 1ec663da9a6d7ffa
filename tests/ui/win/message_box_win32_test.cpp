// The message box as a real window under Wine: what each way of closing it
// returns, its layout and colours, real clicks in its band, and its fonts
// on a screen of 120 dpi.
#include "ui/dialogs/message_window.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(SkinnedMessageBox, LongTextStopsAboveTheButtonStrip)
{
    std::u16string text;
    for (int i = 0; i < 40; ++i) text += u"many words of a long message ";
    text += u"Averylongwordwithoutanyspacesthatisfarwiderthanthetextrectangleofthebox";
    while_dialog_up_t check([&](HWND box) {
        pump_messages(150);
        RECT wr{};
        GetWindowRect(box, &wr);
        POINT origin = client_to_screen(box, 0, 0);
        int top = origin.y - wr.top, left = origin.x - wr.left;
        picture_t shot = capture_window(box);
        // Between y = 100 and the strip nothing but the body colour.
        for (int y = top + 101; y < top + 130; ++y)
            for (int x = left + 80; x < left + 272; ++x)
                ASSERT_EQ(shot.at(x, y), rgb(colour::side_bar)) << x - left << "," << y - top;
        EndDialog(box, 1);
    });
    show_message_box(nullptr, text, 0);
    EXPECT_TRUE(check.ran());
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
    printf("dpi=%d caption=%d text=%d button=%d band=%d\n", dpi, caption, text_height, button_height, band_offset);
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
