#include "app/app_init.h"

#include "app/language_format.h"

namespace tdu {

namespace {

constexpr char16_t failure_format[] = u"Application initialization failed, error code: %d.";
constexpr char16_t fallback_language[] = u"English";

int fail(app_init_steps_c& steps, int code)
{
    steps.show_failure(init_failure_text(code));
    return -1;
}

} // namespace

u16 init_failure_text(int code)
{
    return format_language_text(failure_format, {decimal_text(code)}, 255);
}

int app_init(app_init_steps_c& steps)
{
    steps.start_network();
    steps.enter_program_folder();
    if (!steps.capture_environment()) return fail(steps, init_code_environment);
    if (steps.collect_system_info() < 0) return fail(steps, init_code_system_info);
    if (!steps.load_settings()) return fail(steps, init_code_settings);
    steps.create_fonts();

    u16 language = steps.settings_language();
    if (steps.load_language(language, true) < 0) return fail(steps, init_code_language);
    if (!equals_ignore_case_ascii(language, fallback_language)) steps.load_language(fallback_language, false);

    if (!steps.global_init()) return fail(steps, init_code_global_services);
    steps.index_driver_packages();
    return 0;
}

} // namespace tdu
