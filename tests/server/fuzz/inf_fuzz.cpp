// libFuzzer target: any bytes as an INF file, through decoding, the syntax
// and the driver facts, with every string resolved.
#include "offers/driver_inf.h"
#include "offers/inf_text.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tdu::server;
    std::string text, error;
    if (!decode_inf_bytes(std::string(reinterpret_cast<const char*>(data), size), text, error)) return 0;
    inf_file_t inf;
    inf_problem_t problem;
    if (!inf.parse(text, problem)) return 0;
    driver_inf_t driver;
    if (!read_driver_inf(inf, driver, problem)) return 0;
    for (const auto& m : driver.manufacturers)
        for (const auto& os : os_profiles()) {
            std::vector<target_os_t> targets;
            for (const auto& s : m.sections) targets.push_back(s.target);
            choose_models_section(targets, os);
        }
    catalog_for(driver, "amd64");
    return 0;
}
