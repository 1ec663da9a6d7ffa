#pragma once
// The results view as far as this program has it: after a scan it shows
// the headline and the three counts of the scan's best offers (out of date,
// no driver, up to date) with the number of device nodes examined. The rows
// of offered packages, their downloads and the pie chart come with the
// full results view, which replaces this one.
#include "service/offer_ranking.h"
#include "ui/win/window.h"

#include <cstdint>

namespace tdu {

struct device_inventory_t;

class results_window_c : public window_c<results_window_c> {
public:
    static constexpr wchar_t class_name[] = L"TavrillResultsView";

    HWND create_view(HWND parent, const RECT& rect);
    bool process_message(UINT message, WPARAM w, LPARAM l, LRESULT& result);

    // Takes a finished scan's result: the nodes it counted and the counts of
    // the inventory's devices. Read only after the scan's workers ended.
    void load_scan_result(uint32_t device_nodes, const device_inventory_t& inventory);
    const offer_counts_t& counts() const { return counts_; }
    uint32_t device_nodes() const { return device_nodes_; }

private:
    void paint(HDC dc, const RECT& client);

    offer_counts_t counts_{};
    uint32_t device_nodes_ = 0;
};

} // namespace tdu
