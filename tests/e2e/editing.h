// Helpers shared by the editing and saving end-to-end tests: starting the
// editor on a file, reading byte cells of the panes, answering questions,
// and telling whether the top line shows the file as modified.
#pragma once

#include "harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace editing {

// 80 columns: 16 bytes a row, the hexadecimal pane from column 13 and the
// character pane from column 63.
constexpr int BPR = 16;
constexpr int HEX_COL = 13;
constexpr int TEXT_COL = 63;

// 'A' to 'Z' over and over.
inline std::string letters(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++)
        s[i] = static_cast<char>('A' + i % 26);
    return s;
}

inline std::string hex2(char byte)
{
    const char *digits = "0123456789ABCDEF";
    auto b = static_cast<unsigned char>(byte);
    return {digits[b >> 4], digits[b & 15]};
}

inline e2e::Options options(std::vector<std::string> args, int rows = 24)
{
    e2e::Options o;
    o.args = std::move(args);
    o.rows = rows;
    return o;
}

// The two digits the hexadecimal pane shows for the byte at offset, with
// the view starting at top.
inline std::string hex_at(const e2e::Session &s, int64_t top, int64_t offset)
{
    int row = 1 + static_cast<int>((offset - top) / BPR);
    return s.row(row).substr(HEX_COL + 3 * static_cast<size_t>(offset % BPR), 2);
}

inline std::string text_at(const e2e::Session &s, int64_t top, int64_t offset)
{
    int row = 1 + static_cast<int>((offset - top) / BPR);
    return s.row(row).substr(TEXT_COL + static_cast<size_t>(offset % BPR), 1);
}

inline bool wait_hex(e2e::Session &s, int64_t top, int64_t offset, const std::string &hex,
                     e2e::Loc loc = e2e::Loc::current())
{
    return s.wait_until([&] { return hex_at(s, top, offset) == hex; },
                        "byte " + std::to_string(offset) + " shown as " + hex, loc);
}

inline bool wait_char(e2e::Session &s, int64_t top, int64_t offset, const std::string &ch,
                      e2e::Loc loc = e2e::Loc::current())
{
    return s.wait_until([&] { return text_at(s, top, offset) == ch; },
                        "byte " + std::to_string(offset) + " shown as '" + ch + "'", loc);
}

// " File: <path>*  size = ..." while modified, a blank instead of "*"
// otherwise.
inline bool wait_modified(e2e::Session &s, const std::string &path, bool modified,
                          e2e::Loc loc = e2e::Loc::current())
{
    return s.wait_row_contains(0, " File: " + path + (modified ? "*" : " ") + "  size = ", loc);
}

inline bool start(e2e::Session &s, e2e::Loc loc = e2e::Loc::current())
{
    return s.wait_text("Press 'h' for help", loc);
}

// Bottom-line text of a cursor offset, as the status line writes it.
inline std::string offset_field(int64_t offset)
{
    char buf[48];
    snprintf(buf, sizeof buf, " offset: 0x%-8llX", static_cast<unsigned long long>(offset));
    return buf;
}

// The l command with its three answers, each ended by Enter once its
// question is on the screen.
inline void fill(e2e::Session &s, const std::string &start, const std::string &end, const std::string &value)
{
    s.send("l");
    s.wait_text("Enter start offset: ");
    s.send(start + "\r");
    s.wait_text("Enter end offset: ");
    s.send(end + "\r");
    s.wait_text("Fill with byte: ");
    s.send(value + "\r");
}

// s, then y once the question shows.
inline void save(e2e::Session &s)
{
    s.send("s");
    s.wait_text("Are you sure you want to save (y/n)?");
    s.send("y");
}

inline std::string config_file(const e2e::TempDir &dir, const std::string &text)
{
    return dir.write("vexarc", text);
}

// Environment that preloads the fault library with the given faults. A
// sanitizer build wants its runtime first among the preloaded libraries;
// the order check is switched off instead.
inline std::vector<std::string> fault_env(const std::string &faults)
{
#ifdef VEXA_FAULT_LIB
    const char *asan = getenv("ASAN_OPTIONS");
    std::string asan_options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") +
                               "verify_asan_link_order=0";
    return {std::string("LD_PRELOAD=") + VEXA_FAULT_LIB, "VEXA_FAULT=" + faults, "ASAN_OPTIONS=" + asan_options};
#else
    ADD_FAILURE() << "built without the fault library";
    return {"VEXA_FAULT=" + faults};
#endif
}

}  // namespace editing
