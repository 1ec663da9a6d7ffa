#pragma once
// Comparison of UTF-16 texts without regard to case, as the program needs it
// for language names and registry names: two texts are equal when they have
// the same length and each pair of code units has the same upper-case form.
// The upper-case forms cover ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and the full-width Latin letters; other units compare exactly.
// Within that range the answer is the one lstrcmpiW gives for equality.
#include "common/text.h"

namespace tdu {

char16_t upper_case_unit(char16_t c);
u16 upper_case(u16view s);
bool equals_ignore_case(u16view a, u16view b);

} // namespace tdu
