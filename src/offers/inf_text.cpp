#include "offers/inf_text.h"

#include "offers/code_page.h"

namespace tdu::offers {

bool decode_inf_bytes(std::string_view bytes, std::string& utf8, std::string& error)
{
    const char* from = nullptr;
    auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE")) {
        from = "UTF-16LE";
        bytes.remove_prefix(2);
    } else if (starts("\xFE\xFF")) {
        from = "UTF-16BE";
        bytes.remove_prefix(2);
    } else if (starts("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        from = "UTF-8";
    } else if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0') {
        from = "UTF-16LE"; // Unicode INF written without its mark
    } else if (is_valid_utf8(bytes)) {
        from = "UTF-8";
    } else {
        from = "CP1252";
    }
    if (std::string_view(from).rfind("UTF-16", 0) == 0 && bytes.size() % 2 != 0) {
        error = "UTF-16 text with an odd number of bytes";
        return false;
    }
    if (!convert_text(bytes, from, "UTF-8", "\xEF\xBF\xBD", utf8)) {
        error = std::string("cannot decode ") + from;
        return false;
    }
    return true;
}

} // namespace tdu::offers
