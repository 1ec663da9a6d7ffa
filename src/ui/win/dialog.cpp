#include "ui/win/dialog.h"

namespace tdu::detail {

thread_local void* dialog_being_created = nullptr;

} // namespace tdu::detail
