#include "profiles/IniNumber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

using korvane::ParseIniInteger;

TEST(ParseIniInteger, ReadsDecimalAndLongHexForms)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"-12", -12},
        {"+7", 7},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"0x1F", 31},
        {"0X1f", 31},
        {"0x7FFFFFFF", 2147483647},
        // Hexadecimal is a 32-bit pattern.
        {"0xFFFFFFFF", -1},
        {"0x80000000", INT32_MIN},
        {"0x00000000000A", 10},
        // Not whole numbers.
        {"", std::nullopt},
        {"0x", std::nullopt},
        {"0x-1", std::nullopt},
        {"0x+1", std::nullopt},
        {"0x1G", std::nullopt},
        {"0x100000000", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"12abc", std::nullopt},
        {"1.5", std::nullopt},
        {"1 2", std::nullopt},
        {" 12", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"+-1", std::nullopt},
        {"--1", std::nullopt},
        // Only the long "0x" form is hexadecimal.
        {"$1F", std::nullopt},
        {"x1F", std::nullopt},
        {"1F", std::nullopt},
        {"true", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseIniInteger(c.text), c.value) << '"' << c.text << '"';
}
