#pragma once
// The device information dialog's contents: for one device of a row, its
// installed driver beside the driver the update service offers as best
// (always the best offer, whichever kind the results list shows), thirteen
// rows of three columns; and which device a list selection names.
#include "app/language_keys.h"
#include "common/text.h"
#include "devices/device.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tdu {

struct device_detail_row_t {
    language_key_t key;  // column 0: the row's name
    u16 installed;       // column 1
    u16 offered;         // column 2
};

constexpr size_t device_detail_row_count = 13;
using device_details_t = std::array<device_detail_row_t, device_detail_row_count>;

// What the offered column shows where the offer has no such value, when the
// interface language has no text of its own for it.
inline constexpr char16_t detail_blank[] = u"(blank)";

// The rows for `device`. A device without an installed driver shows empty
// installed texts and the rank 00000000; one without a best offer shows
// `blank` ("(blank)" in the interface language) in every offered cell. The rank is eight upper-case hexadecimal
// digits; the offered INF name is shown after its last backslash.
device_details_t device_details(const device_t& device, u16view blank = detail_blank);

// The detail list's column widths in pixels. The names' column is 130 wide,
// wider when a row name of the interface language needs it (`widest_name`,
// its text margins included: the rank row's name is longer in German,
// Japanese or Dutch), up to two fifths of `total`; the two driver columns
// share the rest evenly, so the three fill the same `total` whenever it has
// room for them.
struct detail_column_widths_t {
    int name;
    int installed;
    int offered;
};
constexpr int detail_columns_total = 130 + 231 + 231;
detail_column_widths_t detail_column_widths(int widest_name, int total = detail_columns_total);

// The device a list selection of a group of `devices` names, or -1 when it
// names none (no selection, LB_ERR): the dialog then keeps what it shows.
int32_t selected_device(intptr_t selection, size_t devices);

} // namespace tdu
