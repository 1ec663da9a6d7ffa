// Fuzz target: any bytes as "language.ini", loaded the way start-up loads
// it (a chosen language, then English), then every lookup the program makes
// on the result.
#include "app/language.h"
#include "app/language_keys.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view file(reinterpret_cast<const char*>(data), size);
    tdu::language_table_t table;
    tdu::language_load_text(table, file, u"Deutsch", true);
    tdu::language_load_text(table, file, u"English", false);
    for (tdu::language_key_t key : tdu::lang::all_keys) (void)tdu::language_text(table, key);
    (void)tdu::language_current_name(table);
    (void)tdu::is_language(table, "de");
    (void)tdu::product_page_url(table);
    (void)tdu::faq_page_url(table);
    (void)tdu::home_banner_bitmap(table);
    (void)tdu::home_button_bitmap(table, 2);
    return 0;
}
