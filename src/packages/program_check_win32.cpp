#include "packages/program_check_win32.h"

#include "app/endpoints.h"
#include "app/settings.h"
#include "common/win32_text.h"
#include "service/http_transfer.h"

#include <windows.h>

#include <vector>

namespace tdu {

const char* program_arch()
{
    return sizeof(void*) == 8 ? "x64" : "x86";
}

bool program_file_version(const u16& exe, program_version_t& out)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(wide(exe.c_str()), &ignored);
    if (size == 0) return false;
    std::vector<uint8_t> data(size);
    if (!GetFileVersionInfoW(wide(exe.c_str()), 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof *info)
        return false;
    out.parts[0] = HIWORD(info->dwFileVersionMS);
    out.parts[1] = LOWORD(info->dwFileVersionMS);
    out.parts[2] = HIWORD(info->dwFileVersionLS);
    out.parts[3] = LOWORD(info->dwFileVersionLS);
    return true;
}

bool fetch_program_document(std::string& body, std::string& signature, std::string& error)
{
    error.clear();
    for (const std::string& mirror : endpoints().mirrors) {
        if (mirror.empty()) continue;
        std::string url = mirror + "program/" + program_arch();
        transfer_ptr transfer(transfer_create(static_cast<int32_t>(program_document_max_bytes) + 2));
        if (!transfer) {
            error = "no HTTP transfer could be made";
            return false;
        }
        const http_response_t& response = transfer_request(*transfer, url.c_str(), transfer_method_get);
        if (response.result == 0 && response.status == 200 && response.body) {
            body.assign(response.body->data.get(), static_cast<size_t>(response.body->used));
            signature = response.signature;
            return true;
        }
        if (!error.empty()) error += "; ";
        error += url + ": ";
        if (response.status >= 400) error += "HTTP status " + std::to_string(response.status);
        else error += response.error_text[0] ? response.error_text : "no answer";
    }
    if (error.empty()) error = "no update service address is configured";
    return false;
}

int64_t win32_program_check_c::now()
{
    return system_utc_now();
}

} // namespace tdu
