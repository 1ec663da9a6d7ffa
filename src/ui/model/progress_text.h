#pragma once
// The texts and fractions the two progress bars show.
#include "common/text.h"

#include <cstdint>

namespace tdu {

// "%d%%" of the whole part of fraction x 100: 0.999 shows "99%". Fractions
// outside 0 .. 1 are held to it.
u16 percent_text(float fraction);

// The row progress box's state: the expected size and the bytes done, their
// texts and the filled fraction.
struct row_progress_t {
    int32_t expected_size = 0;
    int32_t bytes_done = 0;
    float fraction = 0.0f;
    u16 expected_text;  // at most 31 characters
    u16 done_text;      // at most 31 characters

    // Sets the expected size and its text.
    void set_expected(int32_t size);
    // Stores the bytes done, their text and (when the expected size is above
    // 0) the new fraction, held to 0 .. 1.
    void set_bytes_done(int32_t bytes);
    // The expected-size text, or "done/expected" while some bytes are done
    // and they differ from the expected size.
    u16 text() const;
};

// A wait of unknown length (the scan waiting for the update service) is
// shown as a block moving through the bar, not as a share done: a quarter
// of the bar wide (at least one pixel), entering at the left and leaving at
// the right in `marquee_steps` steps, then again. The part of the block
// inside a bar `width` pixels wide at `step`; empty (left == right) when
// none of it is.
constexpr int64_t marquee_steps = 25;
struct marquee_span_t {
    int32_t left = 0, right = 0;
};
marquee_span_t marquee_span(int32_t width, int64_t step);

} // namespace tdu
