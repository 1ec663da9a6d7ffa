#include "ui/model/button_state.h"

namespace tdu {

button_row_outcome_t button_row_move(std::vector<int>& states, const std::vector<bool>& under)
{
    button_row_outcome_t out;
    for (size_t i = 0; i < states.size() && i < under.size(); ++i) {
        if (under[i] && states[i] != button_hover && states[i] != button_pressed) {
            states[i] = button_hover;
            out.changed = true;
            out.hovered = static_cast<int>(i);
            return out;
        }
        if (!under[i] && states[i] != button_normal) {
            states[i] = button_normal;
            out.changed = true;
            return out;
        }
    }
    return out;
}

button_row_outcome_t button_row_down(std::vector<int>& states, const std::vector<bool>& under)
{
    button_row_outcome_t out;
    for (size_t i = 0; i < states.size() && i < under.size(); ++i) {
        if (!under[i]) continue;
        if (states[i] != button_pressed) {
            states[i] = button_pressed;
            out.changed = true;
        }
        return out;
    }
    return out;
}

button_row_outcome_t button_row_up(std::vector<int>& states, const std::vector<bool>& under)
{
    button_row_outcome_t out;
    for (size_t i = 0; i < states.size() && i < under.size(); ++i) {
        if (!under[i]) continue;
        if (states[i] == button_pressed) out.fired = static_cast<int>(i);
        if (states[i] != button_hover) {
            states[i] = button_hover;
            out.changed = true;
        }
        return out;
    }
    return out;
}

button_row_outcome_t button_row_leave(std::vector<int>& states)
{
    button_row_outcome_t out;
    for (int& s : states) {
        if (s != button_normal) {
            s = button_normal;
            out.changed = true;
            return out;
        }
    }
    return out;
}

bool button_row_any_under(const std::vector<bool>& under)
{
    for (bool u : under)
        if (u) return true;
    return false;
}

bool button_single_move(int& state, bool over)
{
    if (over && state == button_normal) {
        state = button_hover;
        return true;
    }
    if (!over && state != button_normal) {
        state = button_normal;
        return true;
    }
    return false;
}

bool button_single_down(int& state, bool over)
{
    if (!over || state == button_pressed) return false;
    state = button_pressed;
    return true;
}

bool button_single_up(int& state, bool over, bool& fire)
{
    fire = false;
    if (!over) return false;
    fire = state == button_pressed;
    if (state == button_hover) return false;
    state = button_hover;
    return true;
}

} // namespace tdu
