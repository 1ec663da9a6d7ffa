#pragma once
// Resource numbers of the skin bitmaps and icons. Where three ids belong
// together they are normal, hover and pressed unless the name says otherwise.
namespace tdu::skin {

// Navigation buttons of the main window's band, 80 by 70: normal, +1 hover, +2 pressed.
constexpr int nav_home = 236;
constexpr int nav_download = 239;
constexpr int nav_backup = 258;
constexpr int nav_restore = 264;
constexpr int nav_settings = 270;

// The main caption band's tile, 5 by 24.
constexpr int caption_tile = 273;
// Caption buttons, normal, +1 hover, +2 pressed: 24 by 21 ...
constexpr int caption_dropdown = 274;
constexpr int caption_minimise = 277;
// ... and 23 by 21.
constexpr int caption_maximise = 280;
constexpr int caption_restore = 283;
constexpr int caption_close = 286;

// The logo, 184 by 50.
constexpr int logo = 335;

// The close button of the dialogs' bands, 31 by 21: normal, hover, pressed.
constexpr int dialog_close = 323;
constexpr int dialog_close_hover = 324;
constexpr int dialog_close_pressed = 325;

// Message box icons, 48 by 48.
constexpr int box_icon_error = 351;        // styles 2 and 4
constexpr int box_icon_warning = 352;      // style 1
constexpr int box_icon_information = 353;  // style 0
constexpr int box_icon_question = 354;     // style 3
// Message box buttons, 70 by 24.
constexpr int box_button = 356;
constexpr int box_button_hover = 357;
constexpr int box_button_pushed = 358;

// About dialog: icon 64 by 64, separator 460 by 2, buttons 130 by 24.
constexpr int about_icon = 340;
constexpr int about_separator = 341;
constexpr int about_button = 348;
constexpr int about_button_hover = 349;
constexpr int about_button_pushed = 350;

// Home view. The scan button (450 by 120, normal, hover, pressed) and the
// banner (520 by 100) of a language without its own pictures; the
// per-language ones are 416-427 and 456-467 (buttons), 412-415 and 452-455
// (banners), chosen by the language table.
constexpr int home_scan_button = 290;
constexpr int home_banner = 300;
constexpr int home_separator = 293;    // 18 by 2
constexpr int home_icon = 294;         // 24 by 24
constexpr int home_steps = 297;        // 470 by 70
constexpr int home_header_tile = 298;  // 5 by 40

// The system-information side bar's icon, 48 by 48.
constexpr int sidebar_system_icon = 295;

// Scan view: picture 60 by 60, progress tile 520 by 20, header picture 160 by 60.
constexpr int scan_picture = 301;
constexpr int scan_progress_tile = 302;
constexpr int scan_header = 303;

// Results view.
constexpr int row_button = 307;             // 80 by 22: normal, hover, pressed
constexpr int results_header_tile = 310;    // 5 by 40
constexpr int results_tile = 363;           // 7 by 21
constexpr int results_header_icon = 365;    // 38 by 32
constexpr int results_no_driver = 359;      // 16 by 16
constexpr int results_out_of_date = 360;
constexpr int results_up_to_date = 361;
constexpr int results_total = 364;
constexpr int download_all_button = 366;    // 106 by 27
constexpr int download_all_button_hover = 368;
constexpr int download_all_button_pushed = 369;

// Backup and restore views.
constexpr int backup_button = 468;          // 220 by 100
constexpr int backup_button_hover = 469;
constexpr int backup_button_pushed = 470;
constexpr int backup_settings_icon = 471;   // 16 by 16
constexpr int backup_details_icon = 472;    // 16 by 16
constexpr int backup_progress_tile = 474;   // 65 by 20
constexpr int restore_settings_icon = 475;  // 16 by 16

// Settings dialog: 329-332.
constexpr int settings_first = 329;
constexpr int settings_last = 332;
constexpr int settings_button = 329;         // 80 by 22
constexpr int settings_button_hover = 330;
constexpr int settings_button_pushed = 331;
constexpr int settings_divider = 332;

// Icon groups: the program and the tray's attention icon.
constexpr int icon_application = 128;
constexpr int icon_attention = 373;

} // namespace tdu::skin
