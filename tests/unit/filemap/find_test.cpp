// The in-buffer finder agrees with a plain search, including for patterns
// whose first and last bytes are everywhere in the data.
#include "filemap/find.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const uint8_t *plain_find(const std::vector<uint8_t> &hay, const std::vector<uint8_t> &pat)
{
    for (size_t p = 0; p + pat.size() <= hay.size(); p++)
        if (std::equal(pat.begin(), pat.end(), hay.begin() + static_cast<std::ptrdiff_t>(p)))
            return hay.data() + p;
    return nullptr;
}

// Both vector widths: the widest the processor has, and the 16-byte one.
class FindTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { scan_find_set_width(GetParam()); }
    void TearDown() override { scan_find_set_width(0); }
};

TEST_P(FindTest, AgreesWithPlainSearch)
{
    std::mt19937_64 rng(99);
    for (int trial = 0; trial < 3000; trial++) {
        int alphabet = 1 + static_cast<int>(rng() % 4);
        std::vector<uint8_t> hay(rng() % 300);
        for (auto &b : hay)
            b = static_cast<uint8_t>('a' + rng() % alphabet);
        std::vector<uint8_t> pat(1 + rng() % 70);
        for (auto &b : pat)
            b = static_cast<uint8_t>('a' + rng() % alphabet);
        if (!hay.empty() && rng() % 2) {
            size_t at = rng() % hay.size();
            size_t n = std::min(pat.size(), hay.size() - at);
            pat.assign(hay.begin() + static_cast<std::ptrdiff_t>(at),
                       hay.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        ASSERT_EQ(scan_find(hay.data(), hay.size(), pat.data(), pat.size()), plain_find(hay, pat))
            << "trial " << trial;
    }
}

// The ends of the pattern match at every position and the middle never
// does, until the one real match near the end of the buffer.
TEST_P(FindTest, PatternWithCommonEnds)
{
    for (size_t n : {3, 40, 300}) {
        std::vector<uint8_t> pat(n, 'a');
        pat[n / 2] = 'b';
        std::vector<uint8_t> hay(1 << 20, 'a');
        EXPECT_EQ(scan_find(hay.data(), hay.size(), pat.data(), n), nullptr) << n;
        size_t at = hay.size() - n - 5;
        hay[at + n / 2] = 'b';
        EXPECT_EQ(scan_find(hay.data(), hay.size(), pat.data(), n), hay.data() + at) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, FindTest, ::testing::Values(0, 16));

}  // namespace
