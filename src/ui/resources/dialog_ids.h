/* Resource numbers of the dialog templates; read by the resource compiler
   and by C++. */
#ifndef TDU_UI_DIALOG_IDS_H
#define TDU_UI_DIALOG_IDS_H

/* The message box: button 1 and button 2. */
#define IDD_MESSAGE_BOX 355

/* The about dialog: button 1 starts the updater, button 2 closes it. */
#define IDD_ABOUT 339

/* The settings dialog: its controls are numbered in the C++ code. */
#define IDD_SETTINGS 313

/* The device information dialog: button 1 OK, button 2 hidden (Escape). */
#define IDD_DEVINFO 312

/* The ignored updates dialog: button 1 closes it, button 2 hidden (Escape);
   its list and its "Stop ignoring" button are made in the C++ code. */
#define IDD_IGNORED 314

/* The main window's menu (its first sub-menu is the drop-down and the tray
   menu) and its commands. */
#define IDR_MAIN_MENU 333
#define ID_MENU_SETTINGS 32775
#define ID_MENU_HELP 32779
#define ID_MENU_ABOUT 32780
#define ID_MENU_EXIT 32781
#define ID_MENU_EULA 32782
/* Only the tray menu has "Open"; it is added in code, not in the script. */
#define ID_MENU_OPEN 32783

/* A results row's context menu (its first sub-menu) and its commands. */
#define IDR_ROW_MENU 336
#define ID_ROW_SETTINGS 32789
#define ID_ROW_INFORMATION 32790
#define ID_ROW_REMOVE 32791
#define ID_ROW_DOWNLOAD 32792
#define ID_ROW_OPEN_LOCATION 32793
#define ID_ROW_IGNORE 32794
#define ID_ROW_ROLL_BACK 32795

#endif
