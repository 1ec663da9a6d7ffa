#pragma once
// ui_window_c<T>: the skinned frame of a top-level window (the main window
// and the dialogs). It replaces the system caption with a dark-blue band of
// `band_height` pixels, draws the border, owns the caption buttons (drawn
// and hit-tested here, Part of the non-client area) and keeps the window's
// region rectangular.
//
// T mixes it in beside window_c<T> or dialog_c<T> and calls
// ui_process_message first in its message map. T may declare
//     void draw_band_content(HDC dc, const RECT& window);
// to draw what belongs in the band after the buttons; the default draws the
// window title at (10, 10).
#include "ui/skin/button.h"
#include "ui/model/button_state.h"
#include "ui/skin/colours.h"
#include "ui/skin/fonts.h"
#include "ui/win/gdi_handle.h"
#include "ui/win/memory_paint.h"

#include <windowsx.h>

#include <memory>
#include <vector>

namespace tdu {

template <class T>
class ui_window_c {
public:
    explicit ui_window_c(int band) : band_height(band) {}
    virtual ~ui_window_c() = default;

    int caption_height = 0;
    int frame_width = 0;
    int frame_height = 0;
    int band_height;
    // The tile brush over the band's top `band_tile_height` pixels (the main
    // window's), not owned; null for none.
    HBRUSH band_tile = nullptr;
    int band_tile_height = 0;

    // Takes a caption button into the list; it lives as long as the window.
    button_c<T>* add_caption_button(std::unique_ptr<button_c<T>> button)
    {
        buttons_.push_back(std::move(button));
        return buttons_.back().get();
    }
    const std::vector<std::unique_ptr<button_c<T>>>& caption_buttons() const { return buttons_; }

    // Redraws the non-client area.
    void redraw_frame()
    {
        RedrawWindow(window(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE | RDW_NOINTERNALPAINT);
    }

    // The window's region: its own rectangle, so no rounded corners show.
    void apply_window_region()
    {
        RECT r;
        if (!GetWindowRect(window(), &r)) return;
        SetWindowRgn(window(), CreateRectRgn(0, 0, r.right - r.left, r.bottom - r.top), TRUE);
    }

    // The band's default content: the window title at (10, 10) in the
    // caption colour, Verdana 8 pt bold, transparent.
    void draw_band_content(HDC dc, const RECT&) { draw_window_title(dc, 10, 10); }

    void draw_window_title(HDC dc, int x, int y)
    {
        wchar_t title[256];
        int length = GetWindowTextW(window(), title, 256);
        if (length <= 0) return;
        selected_object_t font(dc, skin_font(font_verdana_8_bold));
        int old_mode = SetBkMode(dc, TRANSPARENT);
        COLORREF old_colour = SetTextColor(dc, colour::caption_text);
        TextOutW(dc, x, y, title, length);
        SetTextColor(dc, old_colour);
        SetBkMode(dc, old_mode);
    }

    // Paints the band, the border, the buttons and the owner's band content
    // into `dc`, a device context of the whole window (window coordinates).
    void paint_frame(HDC dc, const RECT& window_rect)
    {
        int w = window_rect.right - window_rect.left, h = window_rect.bottom - window_rect.top;
        RECT band{0, frame_height, w, frame_height + band_height};
        brush_t band_brush(CreateSolidBrush(colour::band));
        FillRect(dc, &band, band_brush.get());
        if (band_tile && band_tile_height > 0) {
            RECT tile{0, frame_height, w, frame_height + band_tile_height};
            SetBrushOrgEx(dc, 0, frame_height, nullptr);
            FillRect(dc, &tile, band_tile);
        }
        brush_t outer(CreateSolidBrush(colour::outer_border));
        RECT edge{0, 0, w, h};
        FrameRect(dc, &edge, outer.get());
        for (int i = 1; i < frame_width; ++i) {
            RECT inner{i, i, w - i, h - i};
            FrameRect(dc, &inner, band_brush.get());
        }
        RECT owner{0, 0, w, h};
        for (auto& b : buttons_) b->draw(dc, owner);
        static_cast<T*>(this)->draw_band_content(dc, owner);
    }

    // The frame's message handling; true when the message was handled.
    bool ui_process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result)
    {
        switch (message) {
        case WM_NCCREATE:
            read_metrics(false);
            return false;
        case WM_INITDIALOG:
            read_metrics(true);
            SetWindowPos(window(), nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return false;
        case WM_NCCALCSIZE: {
            // The non-client top becomes the band: the default handling takes
            // the frame and the system caption off a rectangle already moved
            // down by the rest of the band.
            RECT* r = w ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(l)->rgrc[0] : reinterpret_cast<RECT*>(l);
            if (caption_height > 0) r->top += band_height - caption_height;
            return false;
        }
        case WM_NCPAINT:
            paint_non_client();
            result = 0;
            return true;
        case WM_NCACTIVATE:
            if (IsIconic(window())) return false;
            paint_non_client();
            result = w ? FALSE : TRUE;
            return true;
        case WM_SETTEXT:
        case WM_SETICON:
            // The default handling draws the system caption straight away.
            result = call_default(message, w, l);
            paint_non_client();
            return true;
        case WM_NCHITTEST:
            return hit_test(l, result);
        case WM_NCMOUSEMOVE:
            mouse_move(l);
            return false;
        case WM_NCLBUTTONDOWN:
            return mouse_down(l, result);
        case WM_NCLBUTTONUP:
            return mouse_up(l, result);
        case WM_NCLBUTTONDBLCLK:
            // No maximising by a double click on a button.
            if (button_under(l) < 0) return false;
            result = 0;
            return true;
        case WM_NCMOUSELEAVE: {
            tracking_ = false;
            std::vector<int> states = button_states();
            if (button_row_leave(states).changed) {
                store_states(states);
                redraw_frame();
            }
            return false;
        }
        case WM_SIZE:
            apply_window_region();
            return false;
        default:
            return false;
        }
    }

private:
    HWND window() const { return static_cast<const T*>(this)->hwnd(); }

    // The window's own default handling (DefDlgProc would hand a dialog's
    // message straight back to its dialog procedure).
    LRESULT call_default(UINT message, WPARAM w, LPARAM l) { return DefWindowProcW(window(), message, w, l); }

    void read_metrics(bool dialog_frame)
    {
        caption_height = GetSystemMetrics(SM_CYCAPTION);
        frame_width = GetSystemMetrics(dialog_frame ? SM_CXDLGFRAME : SM_CXFRAME);
        frame_height = GetSystemMetrics(dialog_frame ? SM_CYDLGFRAME : SM_CYFRAME);
    }

    POINT window_point(LPARAM l) const
    {
        RECT r{};
        GetWindowRect(window(), &r);
        return POINT{GET_X_LPARAM(l) - r.left, GET_Y_LPARAM(l) - r.top};
    }

    RECT owner_rect() const
    {
        RECT r{};
        GetWindowRect(window(), &r);
        return RECT{0, 0, r.right - r.left, r.bottom - r.top};
    }

    std::vector<bool> buttons_under(LPARAM l) const
    {
        POINT p = window_point(l);
        RECT owner = owner_rect();
        std::vector<bool> under;
        for (const auto& b : buttons_) under.push_back(b->hit_test(p, owner));
        return under;
    }

    int button_under(LPARAM l) const
    {
        std::vector<bool> under = buttons_under(l);
        for (size_t i = 0; i < under.size(); ++i)
            if (under[i]) return static_cast<int>(i);
        return -1;
    }

    std::vector<int> button_states() const
    {
        std::vector<int> states;
        for (const auto& b : buttons_) states.push_back(b->state);
        return states;
    }

    void store_states(const std::vector<int>& states)
    {
        for (size_t i = 0; i < states.size() && i < buttons_.size(); ++i) buttons_[i]->state = states[i];
    }

    // The band answers as the caption, so it drags and a double click does
    // what the system does for a caption; the default answer there is
    // HTNOWHERE below the system caption's height, where no click arrives.
    // Over a button it answers HTBORDER, which the default handling leaves
    // alone, so the button gets its clicks.
    bool hit_test(LPARAM l, LRESULT& result)
    {
        POINT p = window_point(l);
        RECT owner = owner_rect();
        bool in_band = p.y >= frame_height && p.y < frame_height + band_height && p.x >= frame_width &&
                       p.x < owner.right - frame_width;
        if (!in_band) return false;
        result = button_row_any_under(buttons_under(l)) ? HTBORDER : HTCAPTION;
        return true;
    }

    void mouse_move(LPARAM l)
    {
        std::vector<int> states = button_states();
        button_row_outcome_t out = button_row_move(states, buttons_under(l));
        if (!out.changed) return;
        store_states(states);
        if (out.hovered >= 0 && !tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, window(), 100};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        redraw_frame();
    }

    bool mouse_down(LPARAM l, LRESULT& result)
    {
        std::vector<bool> under = buttons_under(l);
        if (!button_row_any_under(under)) return false;
        std::vector<int> states = button_states();
        if (button_row_down(states, under).changed) {
            store_states(states);
            redraw_frame();
        }
        result = 0;
        return true;
    }

    bool mouse_up(LPARAM l, LRESULT& result)
    {
        std::vector<bool> under = buttons_under(l);
        if (!button_row_any_under(under)) return false;
        std::vector<int> states = button_states();
        button_row_outcome_t out = button_row_up(states, under);
        result = 0;
        if (!out.changed) return true;
        store_states(states);
        redraw_frame();
        // The action may end the window: nothing of it is touched afterwards.
        if (out.fired >= 0) buttons_[out.fired]->fire();
        return true;
    }

    void paint_non_client()
    {
        HWND hwnd = window();
        RECT wr;
        if (!GetWindowRect(hwnd, &wr)) return;
        window_dc_t dc(hwnd);
        if (!dc.get()) return;
        RECT whole{0, 0, wr.right - wr.left, wr.bottom - wr.top};
        memory_paint_c paint(dc.get(), whole);
        paint_frame(paint.dc(), wr);
        // Only the frame and band are copied: the client area is the owner's.
        RECT client;
        GetClientRect(hwnd, &client);
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -wr.left, -wr.top);
        ExcludeClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
        paint.end();
    }

    std::vector<std::unique_ptr<button_c<T>>> buttons_;
    bool tracking_ = false;
};

} // namespace tdu
