// A temporary file set up as the edited file of the editor record, with an
// empty window cache, for the window cache and save tests.
#pragma once

#include "core/editor.h"
#include "filemap/filemap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace filemap_test {

inline std::string random_bytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char &c : s)
        c = static_cast<char>(gen() & 0xff);
    return s;
}

inline void release_windows()
{
    for (const map_window &w : editor.windows)
        munmap(w.data, static_cast<size_t>(w.length));
    editor.windows.clear();
    editor.last_window = 0;
}

inline std::string read_path(const std::string &path)
{
    std::string s;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return s;
    char buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        s.append(buf, static_cast<size_t>(n));
    close(fd);
    return s;
}

inline void write_path(const std::string &path, const std::string &bytes, mode_t mode = 0644)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
}

// Writes `content` to a fresh file in a fresh directory and makes it the
// edited file: fd, file_path, file_size, window_size, cursor 0, no windows.
class EditedFile {
public:
    explicit EditedFile(const std::string &content, int64_t window_size = 8192, mode_t mode = 0644)
    {
        char tmpl[] = "/tmp/filemap_test_XXXXXX";
        dir = mkdtemp(tmpl);
        path = dir + "/data.bin";
        write_path(path, content, mode);
        chmod(path.c_str(), mode);
        editor.fd = open(path.c_str(), O_RDWR);
        EXPECT_GE(editor.fd, 0);
        editor.prog_name = "filemap_test";
        editor.file_path = path;
        editor.file_size = static_cast<int64_t>(content.size());
        editor.window_size = window_size;
        editor.cursor = 0;
        editor.modified = 0;
        release_windows();
        filemap_write_error = 0;
    }
    ~EditedFile()
    {
        release_windows();
        close(editor.fd);
        std::string cmd = "rm -rf '" + dir + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << dir;
    }
    std::string on_disk() const { return read_path(path); }
    std::string backup() const { return path + "~"; }

    std::string dir;
    std::string path;
};

// Window offsets in array order.
inline std::vector<int64_t> window_offsets()
{
    std::vector<int64_t> v;
    for (const map_window &w : editor.windows)
        v.push_back(w.offset);
    return v;
}

}  // namespace filemap_test
