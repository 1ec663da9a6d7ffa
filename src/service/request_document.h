#pragma once
// The update request document and its compression.
//
// The document (8-bit text, the IDs and the model in the thread's ANSI code
// page whatever the declaration says):
//
//   <?xml version="1.0" encoding="UTF-8" ?>
//   <kelptone>
//   	<action>ACTION_UPDATE_DRIVER</action>
//   	<client version="4.2.0.1" os="WIN7" lang="437" model="..." build="7601" />
//   	<hardwares>
//   		<hardware>
//   			<id>
//   				<![CDATA[PCI\VEN_8086&DEV_100E]]>
//   			</id>
//   			<matchid> (CDATA, empty without an installed driver)
//   			<hardids> (CDATA, the IDs joined by "\n"; only when there are any)
//   			<compids> (the same for the compatible IDs)
//   		</hardware>
//   	</hardwares>
//   </kelptone>
#include "devices/device.h"
#include "service/update_client.h"
#include "tdu_version.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tdu {

constexpr const char* client_version = TDU_VERSION_TEXT;

// An ID list (a multi-string) as one 8-bit text in the ANSI code page, the
// IDs joined by line feeds; empty when the first ID is empty.
std::string join_device_ids(const u16& multi_string);

// The request for `count` devices, in their order.
std::string build_update_request(const device_t* devices, size_t count, const update_request_t& request);

// The text as one complete zlib stream (header, deflate data, Adler-32) at
// the default level. False when zlib fails.
bool compress_request(const std::string& text, std::vector<unsigned char>& out);

} // namespace tdu
