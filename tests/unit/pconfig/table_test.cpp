// The configuration table: hash, buckets and chains, defaults, getters,
// release and dump.
#include "pconfig/pconfig.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TableTest : public ::testing::Test {
protected:
    void TearDown() override { pconfig_free(); }
};

std::string dump_text()
{
    ::testing::internal::CaptureStdout();
    pconfig_dump();
    return ::testing::internal::GetCapturedStdout();
}

TEST(PconfigHash, DesignExamples)
{
    EXPECT_EQ(pconfig_hash(""), 0u);
    EXPECT_EQ(pconfig_hash("abc"), 96354u);
    EXPECT_EQ(pconfig_hash("abc") % 109, 107u);
    // A byte from 0x80 up counts as a negative number.
    EXPECT_EQ(pconfig_hash("\xE9"), 4294967273u);
    EXPECT_EQ(pconfig_hash("\xE9") % 109, 52u);
}

TEST(PconfigHash, DefaultKeysFallIntoNineBuckets)
{
    const struct {
        const char *key;
        uint32_t bucket;
    } rows[] = {
        {"advance_after_edit", 18}, {"make_backup_files", 97}, {"use_colors", 36},
        {"bg_color", 43},           {"fg_color", 64},          {"bg_color_selected", 51},
        {"fg_color_selected", 104}, {"bg_color_status", 63},   {"fg_color_status", 6},
    };
    for (const auto &r : rows)
        EXPECT_EQ(pconfig_hash(r.key) % 109, r.bucket) << r.key;
}

TEST_F(TableTest, DefaultsInTableOrder)
{
    const char *keys[] = {"advance_after_edit", "make_backup_files", "use_colors",
                          "bg_color",           "fg_color",          "bg_color_selected",
                          "fg_color_selected",  "bg_color_status",   "fg_color_status"};
    const char *values[] = {"1", "1", "1", "blue", "white", "black", "green", "cyan", "black"};
    for (int i = 0; i < 9; i++) {
        EXPECT_STREQ(vexa_defaults[i].name, keys[i]);
        EXPECT_STREQ(vexa_defaults[i].value, values[i]);
        EXPECT_EQ(vexa_defaults[i].type, i < 3 ? PCONFIG_INT : PCONFIG_STRING);
    }
    EXPECT_EQ(vexa_defaults[9].type, 0);
}

TEST_F(TableTest, ProgramDefaultsOnePerBucketDumpedInBucketOrder)
{
    ASSERT_EQ(pconfig_init(0, vexa_defaults), 0);
    EXPECT_STREQ(pconfig_get_string("bg_color"), "blue");
    EXPECT_EQ(pconfig_get_int("use_colors"), 1);
    EXPECT_EQ(dump_text(), "fg_color_status = black\n"  // 6
                           "advance_after_edit = 1\n"   // 18
                           "use_colors = 1\n"           // 36
                           "bg_color = blue\n"          // 43
                           "bg_color_selected = black\n" // 51
                           "bg_color_status = cyan\n"   // 63
                           "fg_color = white\n"         // 64
                           "make_backup_files = 1\n"    // 97
                           "fg_color_selected = green\n"); // 104
}

// "a" and "h" share bucket 6 of 7; "b" is alone in bucket 0. With 109
// buckets the three are apart (97, 98, 104).
const config_default three_keys[] = {
    {PCONFIG_STRING, "a", "first"},
    {PCONFIG_INT, "b", "2"},
    {PCONFIG_STRING, "h", "third"},
    {0, nullptr, nullptr},
};

TEST_F(TableTest, BucketCountZeroMeans109)
{
    ASSERT_EQ(pconfig_init(0, three_keys), 0);
    EXPECT_EQ(dump_text(), "a = first\nb = 2\nh = third\n");
}

TEST_F(TableTest, CollidingKeysChainNewestFirst)
{
    ASSERT_EQ(pconfig_init(7, three_keys), 0);
    EXPECT_EQ(dump_text(), "b = 2\nh = third\na = first\n");
    EXPECT_STREQ(pconfig_get_string("a"), "first"); // found behind "h"
    EXPECT_STREQ(pconfig_get_string("h"), "third");
    EXPECT_EQ(pconfig_get_int("b"), 2);
}

TEST_F(TableTest, OneBucketHoldsEverythingInReverse)
{
    ASSERT_EQ(pconfig_init(1, vexa_defaults), 0);
    std::string expected;
    for (int i = 8; i >= 0; i--)
        expected += std::string(vexa_defaults[i].name) + " = " +
                    (vexa_defaults[i].type == PCONFIG_INT ? "1" : vexa_defaults[i].value) + "\n";
    EXPECT_EQ(dump_text(), expected);
    EXPECT_EQ(pconfig_get_int("advance_after_edit"), 1); // last of the chain
    EXPECT_STREQ(pconfig_get_string("fg_color_status"), "black");
}

TEST_F(TableTest, IntegerDefaultsConvertLikeAtoi)
{
    const struct {
        const char *text;
        int value;
    } rows[] = {{"12abc", 12}, {"abc", 0}, {"", 0}, {"  -7", -7}, {"+3", 3}, {"0x10", 0}};
    for (const auto &r : rows) {
        const config_default table[] = {{PCONFIG_INT, "k", r.text}, {0, nullptr, nullptr}};
        ASSERT_EQ(pconfig_init(0, table), 0);
        EXPECT_EQ(pconfig_get_int("k"), r.value) << '"' << r.text << '"';
        pconfig_free();
    }
}

TEST_F(TableTest, EmptyDefaultsGiveEmptyTable)
{
    const config_default none[] = {{0, "ignored", "x"}};
    EXPECT_EQ(pconfig_init(0, none), 0);
    EXPECT_EQ(dump_text(), "");
}

TEST_F(TableTest, UnknownTypeFailsKeepingEarlierRows)
{
    const config_default bad[] = {
        {PCONFIG_STRING, "a", "kept"}, {3, "b", "x"}, {PCONFIG_INT, "c", "1"}, {0, nullptr, nullptr}};
    EXPECT_EQ(pconfig_init(0, bad), -1);
    EXPECT_EQ(dump_text(), "a = kept\n");
}

TEST_F(TableTest, FreeTwiceAndBeforeInitIsHarmless)
{
    pconfig_free();
    ASSERT_EQ(pconfig_init(0, vexa_defaults), 0);
    pconfig_free();
    pconfig_free();
    EXPECT_EQ(dump_text(), "");
    ASSERT_EQ(pconfig_init(0, vexa_defaults), 0);
    EXPECT_STREQ(pconfig_get_string("fg_color"), "white");
}

TEST_F(TableTest, ReinitReplacesTheTable)
{
    ASSERT_EQ(pconfig_init(0, vexa_defaults), 0);
    ASSERT_EQ(pconfig_init(7, three_keys), 0);
    EXPECT_EQ(dump_text(), "b = 2\nh = third\na = first\n");
}

using TableDeathTest = TableTest;

TEST_F(TableDeathTest, MissingKeyFailsTheAssertion)
{
    // No table at all, an empty bucket, and a chain without the key.
    EXPECT_DEATH(pconfig_get_int("use_colors"), "t != NULL");
    ASSERT_EQ(pconfig_init(0, vexa_defaults), 0);
    EXPECT_DEATH(pconfig_get_int("colour"), "t != NULL");
    pconfig_free();
    ASSERT_EQ(pconfig_init(1, vexa_defaults), 0);
    EXPECT_DEATH(pconfig_get_string("colour"), "t != NULL");
}

} // namespace
