// A file cut shorter on disk by another process while it is edited: every
// way the cache and the scans read or store past the new end ends the
// process with status 1 and the "changed size on disk" message, instead of
// a core dump (mapped access) or zeros taken for file bytes (pread).
#include "edited_file.h"
#include "core/startup.h"
#include "filemap/scan.h"

#include <csignal>

using namespace filemap_test;

namespace {

constexpr int64_t WS = 8192;
constexpr int64_t SIZE = 8 * WS;

struct shrink_case {
    const char *name;
    void (*access)();
};

const shrink_case cases[] = {
    {"byte_at in a new window", [] { byte_at(SIZE - 1); }},
    {"byte_at in a window mapped before", [] { byte_at(WS + 5); }},
    {"set_byte_at", [] { set_byte_at(3 * WS, 0x41); }},
    {"copy_bytes", [] {
         uint8_t buf[64];
         copy_bytes(2 * WS - 32, 2 * WS + 31, buf);
     }},
    {"fill_bytes", [] { fill_bytes(0, SIZE - 1, 0x42); }},
    {"scan_byte", [] { scan_byte(0, 0x7f); }},
    {"scan_string", [] { scan_string(10, reinterpret_cast<const uint8_t *>("zz"), 2); }},
};

TEST(Shrink, AccessPastTheNewEndEndsWithTheMessage)
{
    for (const shrink_case &c : cases) {
        SCOPED_TRACE(c.name);
        EditedFile f(std::string(SIZE, 'a'));
        byte_at(WS);  // a window mapped and read while the file was whole
        // The path holds only letters, digits, "_", "/" and ".", so it
        // serves as its own pattern.
        std::string expected = "^filemap_test: " + f.path +
                               " changed size on disk; unsaved changes were not written\n$";
        EXPECT_EXIT(
            {
                signals_install();
                if (truncate(f.path.c_str(), 100) != 0)
                    _exit(3);
                c.access();
                _exit(4);
            },
            testing::ExitedWithCode(1), expected);
    }
}

// A bus error that no window access caused is not reported as a shrunk
// file: it keeps its default action.
TEST(Shrink, OtherBusErrorsKeepTheirDefaultAction)
{
    EditedFile f(std::string(SIZE, 'a'));
    EXPECT_EXIT(
        {
            signals_install();
            raise(SIGBUS);
            _exit(4);
        },
        testing::KilledBySignal(SIGBUS), "");
}

}  // namespace
