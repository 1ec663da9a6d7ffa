#pragma once
// Download links are used as the service sends them, except that spaces
// become %20 before the first "?" or "#"; the query and fragment are left
// exactly as they are.
#include <string>
#include <string_view>

namespace tdu {

// The escaping rule itself, in portable code.
std::string url_escape_spaces(std::string_view link);

// Escapes a download link the way the platform does: the shell's UrlEscapeA
// (URL_ESCAPE_SPACES_ONLY | URL_DONT_ESCAPE_EXTRA_INFO) on Windows, the rule
// above elsewhere. An empty text when escaping fails.
std::string escape_download_link(const std::string& link);

} // namespace tdu
