#pragma once
// The skin's key colours.
#include <windows.h>

namespace tdu::colour {

constexpr COLORREF band = RGB(0x15, 0x50, 0x92);           // caption band and dark areas
constexpr COLORREF outer_border = RGB(0x42, 0x5A, 0x8A);   // the window's outermost frame line
constexpr COLORREF caption_text = RGB(0xE9, 0xF3, 0xFF);
constexpr COLORREF heading = RGB(0x4C, 0x92, 0xCE);
constexpr COLORREF side_bar = RGB(0xE2, 0xF0, 0xFD);
constexpr COLORREF side_bar_edge = RGB(0xC2, 0xDA, 0xF4);
constexpr COLORREF frame = RGB(0x8A, 0xB9, 0xF1);           // frames and separators
constexpr COLORREF value_text = RGB(0x47, 0x82, 0xC3);
constexpr COLORREF light_band = RGB(0xF4, 0xF6, 0xFB);
constexpr COLORREF message_text = RGB(0x5B, 0x87, 0xC9);   // the message box's text
constexpr COLORREF white = RGB(0xFF, 0xFF, 0xFF);

} // namespace tdu::colour
