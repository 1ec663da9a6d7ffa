// Without Windows the ANSI code page is Windows-1252, the one an English or
// Western European Windows uses.
#include "common/ansi_text.h"

namespace tdu {

const code_page_c& platform_ansi_code_page()
{
    return windows_1252_code_page();
}

} // namespace tdu
