// The number syntax of answers to numeric questions.
#include "screen/number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

struct number_case {
    std::string answer;
    std::optional<int64_t> value;  // nullopt: the answer fails
};

void PrintTo(const number_case &c, std::ostream *os)
{
    *os << '"' << c.answer << '"';
}

class NumberSyntax : public ::testing::TestWithParam<number_case> {};

TEST_P(NumberSyntax, ParsesOrRefuses)
{
    const number_case &c = GetParam();
    const int64_t untouched = -777;
    int64_t value = untouched;
    int rc = parse_number(c.answer.c_str(), &value);
    if (c.value) {
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(value, *c.value);
    } else {
        EXPECT_EQ(rc, -1);
        EXPECT_EQ(value, untouched) << "a refused answer must store nothing";
    }
}

const number_case SYNTAX_CASES[] = {
    // Valid answers.
    {"27", 27},
    {"033", 27},
    {"0x1a", 26},
    {"0X1A", 26},
    {"0xfF", 255},
    {"", 0},
    {"   ", 0},
    {" \t\n\v\f\r", 0},
    {"0x", 0},
    {"0X", 0},
    {"0", 0},
    {"00", 0},
    {"09", 9},
    {"019", 17},
    {"0999", 9 * 64 + 9 * 8 + 9},
    {"   42", 42},
    {"\t7", 7},
    {"0x0010", 16},
    // Failing answers.
    {"42 ", std::nullopt},
    {"-1", std::nullopt},
    {"+1", std::nullopt},
    {"1a", std::nullopt},
    {"0x1g", std::nullopt},
    {"0x 1", std::nullopt},
    {"12.5", std::nullopt},
    {"017a", std::nullopt},
    {"x1", std::nullopt},
    {"0xx1", std::nullopt},
    {"1 2", std::nullopt},
    {"\xb5", std::nullopt},
    {"1\xe9", std::nullopt},
    {"\xa0" "1", std::nullopt},
    // Values beyond a signed 64-bit integer.
    {"9223372036854775807", INT64_MAX},
    {"9223372036854775808", std::nullopt},
    {"18446744073709551615", std::nullopt},
    {"12345678901234567890", std::nullopt},
    {"99999999999999999999999", std::nullopt},
    {"0x7fffffffffffffff", INT64_MAX},
    {"0x8000000000000000", std::nullopt},
    {"0xffffffffffffffff", std::nullopt},
    {"0x10000000000000000", std::nullopt},
    {"0x00000000000000007fffffffffffffff", INT64_MAX},
    {"0777777777777777777777", INT64_MAX},
    {"01000000000000000000000", std::nullopt},
    {"00000000000000000000000000777", 511},
};

INSTANTIATE_TEST_SUITE_P(Answers, NumberSyntax, ::testing::ValuesIn(SYNTAX_CASES));

}  // namespace
