// tdu-cli: the console front end.
//
//   tdu-cli environment   print the platform facts start-up captures
//
// Exit status 0 on success; otherwise non-zero with the error's text on
// standard error.
#include "app/endpoints.h"
#include "app/environment.h"
#include "common/last_error.h"
#include "common/text.h"
#include "common/win32_text.h"

#include <cstdio>
#include <string>

namespace {

int print_environment()
{
    using namespace tdu;
    if (!environment_capture(environment, win32_environment_source())) {
        std::fprintf(stderr, "cannot read the platform facts (error %d)\n", static_cast<int>(get_last_error()));
        return 1;
    }
    const environment_t& e = environment;
    std::printf("windows version:   %u.%u.%u (platform %u, product type %u)\n", e.version_info.major,
                e.version_info.minor, e.version_info.build, e.version_info.platform_id,
                static_cast<unsigned>(e.version_info.product_type));
    std::printf("os type:           %d\n", static_cast<int>(e.os_type));
    std::printf("os code:           %s\n", os_code_text(e));
    std::printf("os version number: %d\n", static_cast<int>(os_version_number(e.version_info)));
    std::printf("64-bit system:     %s\n", is_64bit_system(e) ? "yes" : "no");
    std::printf("oem code page:     %u\n", e.oem_code_page);
    std::printf("processor arch:    %u (%u processors)\n", e.system_info.processor_architecture,
                e.system_info.number_of_processors);
    std::printf("program path:      %s\n", utf16_to_utf8(e.program_path).c_str());
    std::printf("program folder:    %s\n", utf16_to_utf8(e.program_folder).c_str());
    const endpoints_t& ep = endpoints();
    for (int i = 0; i < mirror_count; ++i) std::printf("update mirror %d:   %s\n", i + 1, ep.mirrors[i].c_str());
    if (!endpoints_override_error().empty())
        std::fprintf(stderr, "endpoint override not applied: %s\n", endpoints_override_error().c_str());
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: tdu-cli environment\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return usage();
    std::string command = tdu::utf16_to_utf8(tdu::u16ptr(argv[1]));
    if (command == "environment") return print_environment();
    return usage();
}
