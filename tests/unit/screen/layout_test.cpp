// Layout arithmetic and colour names.
#include "screen/screen.h"

#include <gtest/gtest.h>

namespace {

TEST(LayoutBytesPerRow, EvenQuarterOfTheColumnsLeftOfTheOffsets)
{
    const struct {
        int cols;
        int expected;
    } cases[] = {
        {80, 16}, {100, 20}, {132, 28}, {22, 2}, {25, 2}, {26, 2}, {29, 2}, {30, 4}, {81, 16}, {86, 18},
    };
    for (const auto &c : cases)
        EXPECT_EQ(layout_bytes_per_row(c.cols), c.expected) << c.cols << " columns";
}

TEST(LayoutLastTop, TopOfTheLastPage)
{
    const struct {
        int64_t size;
        int bytes_per_row;
        int rows;
        int64_t expected;
    } cases[] = {
        {352, 16, 22, 16},        // size a multiple of the row: empty last row on the page
        {351, 16, 22, 0},         // exactly one page, last row partly filled
        {353, 16, 22, 16},
        {10, 16, 22, 0},          // shorter than a page
        {1, 16, 22, 0},
        {100, 16, 6, 16},         // 6 rows of 16: rows at 16..96 on the last page
        {96, 16, 6, 16},
        {95, 16, 6, 0},
        {1024, 16, 1, 1024},      // one view row: the last page is the empty row at the end
        {1023, 16, 1, 1008},
        {int64_t{1} << 40, 16, 22, (int64_t{1} << 40) - 21 * 16},
    };
    for (const auto &c : cases)
        EXPECT_EQ(layout_last_top(c.size, c.bytes_per_row, c.rows), c.expected)
            << "size " << c.size << ", " << c.bytes_per_row << " per row, " << c.rows << " rows";
}

TEST(ColorNumber, ExactLowerCaseNames)
{
    const struct {
        const char *name;
        short expected;
    } cases[] = {
        {"black", 0}, {"red", 1}, {"green", 2}, {"yellow", 3}, {"blue", 4}, {"magenta", 5},
        {"cyan", 6}, {"white", 7}, {"Blue", 0}, {"WHITE", 0}, {"Red", 0}, {"", 0}, {"grey", 0},
        {"blue ", 0}, {" red", 0}, {"re", 0}, {"cyanide", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(color_number(c.name), c.expected) << '"' << c.name << '"';
}

}  // namespace
