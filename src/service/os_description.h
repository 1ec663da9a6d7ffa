#pragma once
// The name of the running system as the side bar, the diagnostic report and
// tdu-cli show it. WMI's caption comes first (it names the edition), but on
// Windows 11 it can still say "Windows 10": the version read at start-up
// (build 22000 and later) decides which of the two it is.
#include "app/environment.h"
#include "common/text.h"

namespace tdu {

// `wmi_description` (Caption, " Build " and the build number, the service
// pack; see system_info.h) with "Windows 10" made "Windows 11" where the
// version is Windows 11. An empty description (WMI had none) becomes the
// system's own name with its build, such as "Windows 11 Build 22631", for
// the systems from 8.1 on; older ones stay empty.
u16 true_os_description(u16view wmi_description, const environment_t& env);

} // namespace tdu
