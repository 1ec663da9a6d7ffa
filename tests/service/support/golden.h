#pragma once
// Byte-for-byte comparison with a golden file of tests/data/service. With
// TDU_WRITE_GOLDEN set in the environment a differing file is rewritten (to
// review the difference after an intended format change).
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace tdu::test {

inline void expect_golden(const std::string& text, const char* file_name)
{
    auto file = data_dir() / "service" / file_name;
    std::string golden = read_file(file);
    EXPECT_EQ(text, golden) << file_name;
    if (text != golden && std::getenv("TDU_WRITE_GOLDEN")) write_file(file, text);
}

} // namespace tdu::test
