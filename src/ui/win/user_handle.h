#pragma once
// Owners of the window system's other handles: image lists, menus and icons.
#include "ui/win/owned_handle.h"

#include <commctrl.h>

namespace tdu {

using image_list_t = owned_handle_t<HIMAGELIST, ImageList_Destroy>;
using menu_t = owned_handle_t<HMENU, DestroyMenu>;
using icon_t = owned_handle_t<HICON, DestroyIcon>;

} // namespace tdu
