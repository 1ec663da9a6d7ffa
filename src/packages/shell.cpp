#include "packages/shell.h"

namespace tdu {

void shell_show_file(shell_c& shell, u16view path)
{
    u16 arguments = u"/select,\"" + u16(path) + u"\"";
    if (arguments.size() > 1023) arguments.resize(1023);
    shell.execute(u"explorer.exe", arguments);
}

} // namespace tdu
