// Without the shell, links are escaped by the portable rule.
#include "service/url_escape.h"

namespace tdu {

std::string escape_download_link(const std::string& link)
{
    return url_escape_spaces(link);
}

} // namespace tdu
