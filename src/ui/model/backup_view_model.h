#pragma once
// What the backup and restore views show besides their trees: the label
// and value lines of the details panel, the backup progress bar's fraction
// and place.
#include "app/language_keys.h"
#include "backup/backup_catalogue.h"
#include "common/text.h"
#include "devices/device.h"
#include "ui/model/layout_rect.h"

#include <cstdint>
#include <vector>

namespace tdu {

// One line of the details panel: its label's language key and the value
// drawn beside it (empty while nothing is selected).
struct detail_line_t {
    language_key_t label;
    u16 value;
};

// The INF file `inf_name` in the system's INF folder.
u16 system_inf_path(u16view inf_folder, u16view inf_name);

// The backup view's six lines for the selected device (null: labels only).
std::vector<detail_line_t> backup_detail_lines(const device_t* selected, u16view inf_folder);

// The restore view's seven lines for the selected backup record (null:
// labels only).
std::vector<detail_line_t> restore_detail_lines(const backup_device_t* selected, u16view inf_folder);

// The backup progress bar's fraction: the run's counter over 100 per ticked
// package, held to 0 .. 1; 0 while nothing is ticked.
float backup_fraction(int32_t progress, int32_t ticked_count);

// The backup progress bar in a view `width` pixels wide: from (320, 430)
// to 20 pixels before the right edge, following the width as it changes;
// never narrower than nothing.
layout_rect_t backup_progress_rect(int width);

} // namespace tdu
