#pragma once
// Owner-drawn buttons: rectangles that the owning window draws and hit-tests
// itself (caption buttons, navigation buttons, the home view's scan button,
// a results row's button). Not windows. The owner keeps them in a list,
// changes their state on mouse messages (ui/model/button_state.h) and calls
// the action on a click.
//
//   button_c<T>           the base: three images, state, rectangle, text
//   system_button_c<T>    measured from the owner's right edge, image only
//   top_button_c<T>       from the left edge, image then its label
//   home_button_c<T>      centred left of the 250-pixel side bar, image only
//   download_button_c<T>  from the right edge, image then a white label
#include "common/text.h"
#include "common/win32_text.h"
#include "ui/model/button_state.h"
#include "ui/skin/colours.h"
#include "ui/skin/skin_image.h"

namespace tdu {

template <class T>
class button_c {
public:
    using action_t = void (T::*)();

    virtual ~button_c() = default;

    // Loads the three images and keeps the rectangle and the text.
    virtual bool create(HINSTANCE instance, int normal_id, int hover_id, int pressed_id, int left, int top, int right,
                        int bottom, u16view label)
    {
        rect = RECT{left, top, right, bottom};
        text = u16(label);
        set_images(instance, normal_id, hover_id, pressed_id);
        return images_[0].loaded();
    }
    // Whether the point (in the owner's window coordinates) lies on the button.
    virtual bool hit_test(POINT point, const RECT& /*owner*/) const { return PtInRect(&rect, point) != FALSE; }
    virtual void draw_text(HDC /*dc*/, const RECT& /*owner*/) {}
    virtual void draw(HDC dc, const RECT& owner)
    {
        current_image().draw_at(dc, rect.left, rect.top);
        draw_text(dc, owner);
    }
    // Frees the images and loads new ones.
    virtual void set_images(HINSTANCE instance, int normal_id, int hover_id, int pressed_id)
    {
        images_[0].load(normal_id, instance);
        images_[1].load(hover_id, instance);
        images_[2].load(pressed_id, instance);
    }

    void set_action(T* owner, action_t action)
    {
        owner_ = owner;
        action_ = action;
    }
    void fire()
    {
        if (owner_ && action_ && enabled) (owner_->*action_)();
    }

    const skin_image_c& image(int s) const { return images_[s >= 0 && s < 3 ? s : 0]; }
    const skin_image_c& current_image() const { return image(state); }

    int state = button_normal;
    RECT rect{};
    u16 text;
    bool enabled = true;

protected:
    skin_image_c images_[3];
    T* owner_ = nullptr;
    action_t action_ = nullptr;
};

// Measured from the owner's right edge: the rectangle's left and right are
// distances from it.
template <class T>
class system_button_c : public button_c<T> {
public:
    bool hit_test(POINT point, const RECT& owner) const override
    {
        POINT mirrored{(owner.right - owner.left) - point.x, point.y};
        return PtInRect(&this->rect, mirrored) != FALSE;
    }
    void draw(HDC dc, const RECT& owner) override
    {
        this->current_image().draw_at(dc, (owner.right - owner.left) - this->rect.right, this->rect.top);
    }
};

// From the left edge, with its label: single line, centred, bottom-aligned
// in the rectangle raised by 5 pixels; white, or the heading blue while
// pressed, on a transparent background.
template <class T>
class top_button_c : public button_c<T> {
public:
    HFONT font = nullptr;
    COLORREF text_colour = colour::white;
    COLORREF pressed_text_colour = colour::heading;

    void draw_text(HDC dc, const RECT&) override
    {
        if (this->text.empty()) return;
        RECT r = this->rect;
        r.bottom -= 5;
        HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;
        int old_mode = SetBkMode(dc, TRANSPARENT);
        COLORREF old_colour =
            SetTextColor(dc, this->state == button_pressed ? pressed_text_colour : text_colour);
        DrawTextW(dc, wide(this->text.c_str()), -1, &r, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
        SetTextColor(dc, old_colour);
        SetBkMode(dc, old_mode);
        if (old_font) SelectObject(dc, old_font);
    }
};

// Centred in the area left of the 250-pixel side bar; the rectangle follows
// the owner's size and is the normal image's size.
template <class T>
class home_button_c : public button_c<T> {
public:
    static constexpr int side_bar_width = 250;

    RECT placed(const RECT& owner) const
    {
        int w = this->images_[0].width(), h = this->images_[0].height();
        int x = ((owner.right - owner.left) - side_bar_width) / 2 - w / 2;
        int y = ((owner.bottom - owner.top) - 150) / 2;
        return RECT{x, y, x + w, y + h};
    }
    bool hit_test(POINT point, const RECT& owner) const override
    {
        RECT r = placed(owner);
        return PtInRect(&r, point) != FALSE;
    }
    void draw(HDC dc, const RECT& owner) override
    {
        RECT r = placed(owner);
        this->current_image().draw_at(dc, r.left, r.top);
    }
};

// From the right edge like system_button_c, with a white centred label.
template <class T>
class download_button_c : public system_button_c<T> {
public:
    HFONT font = nullptr;

    void draw(HDC dc, const RECT& owner) override
    {
        system_button_c<T>::draw(dc, owner);
        draw_text(dc, owner);
    }
    void draw_text(HDC dc, const RECT& owner) override
    {
        if (this->text.empty()) return;
        int width = owner.right - owner.left;
        RECT r{width - this->rect.right, this->rect.top, width - this->rect.left, this->rect.bottom};
        HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;
        int old_mode = SetBkMode(dc, TRANSPARENT);
        COLORREF old_colour = SetTextColor(dc, colour::white);
        DrawTextW(dc, wide(this->text.c_str()), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        SetTextColor(dc, old_colour);
        SetBkMode(dc, old_mode);
        if (old_font) SelectObject(dc, old_font);
    }
};

} // namespace tdu
