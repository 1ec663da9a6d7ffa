#pragma once
// The program's title: the main window's title, the name of the
// single-instance mutex, the message-box caption, the tray tool tip, the Run
// entry's value name and the scheduled task's name. The single-instance rule
// finds the running copy by this title, so it must never vary.
namespace tdu {

constexpr char16_t program_title[] = u"Tavrill Driver Updater";

} // namespace tdu
