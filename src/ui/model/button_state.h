#pragma once
// The owner-drawn buttons' states and how mouse messages change them: the
// caption buttons of a skinned window (handled as a row, the first button
// under the point wins) and a single page button such as the home view's
// scan button.
#include <cstddef>
#include <vector>

namespace tdu {

enum button_state_t : int { button_normal = 0, button_hover = 1, button_pressed = 2 };

// What one mouse message did to a row of buttons.
struct button_row_outcome_t {
    bool changed = false;       // some state changed: redraw
    int fired = -1;             // index of the button whose action runs, or -1
    int hovered = -1;           // index of the button that just became hover, or -1
};

// A row of buttons: `states[i]` is button i's state, `under[i]` whether the
// point lies on it. Each function changes `states` in place.

// Mouse moved: the first button under the point that is not yet hover
// becomes hover; a hover button that is no longer under the point turns
// normal. Stops at the first change.
button_row_outcome_t button_row_move(std::vector<int>& states, const std::vector<bool>& under);
// Left button down: the first button under the point becomes pressed unless
// it already is.
button_row_outcome_t button_row_down(std::vector<int>& states, const std::vector<bool>& under);
// Left button up: the first button under the point becomes hover unless it
// already is; its action runs only when it was pressed. Releasing over a
// button that was not pressed (the press happened elsewhere and the pointer
// was dragged onto it) does nothing.
button_row_outcome_t button_row_up(std::vector<int>& states, const std::vector<bool>& under);
// The mouse left the window: the first button that is not normal turns normal.
button_row_outcome_t button_row_leave(std::vector<int>& states);
// Whether a point lies on any button of the row (the caption band's hit test).
bool button_row_any_under(const std::vector<bool>& under);

// One page button (the home view's scan button, a results row's button).
// Each returns whether the state changed; `button_single_up` also sets
// `fire` when the click counts: a release over the button after a press on
// it, never a release after a drag onto it.
bool button_single_move(int& state, bool over);
bool button_single_down(int& state, bool over);
bool button_single_up(int& state, bool over, bool& fire);

} // namespace tdu
