// The configuration file reader: reads key = value lines into the
// configuration table, stopping at the first faulty line.
#include "pconfig/pconfig.h"
#include "pconfig/pconfig_entry.h"
#include "core/editor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

enum {
    LINE_START = 1024,
    LINE_MAX_LEN = 1024 * 1024, // longer lines are refused, not buffered
    FIELD_SIZE = 4096,          // key and value, terminating NUL included
};

namespace {

// Working storage for the key and the value of one line.
struct line_fields {
    char key[FIELD_SIZE];
    char value[FIELD_SIZE];
};

// Space class of the C locale; bytes from 0x80 up are never white space.
bool cfg_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool only_space(const char *s)
{
    for (; *s; s++)
        if (!cfg_space(*s))
            return false;
    return true;
}

// Copies n bytes into a field buffer; false when they do not fit.
bool copy_field(char *dst, const char *src, size_t n)
{
    if (n >= FIELD_SIZE)
        return false;
    memcpy(dst, src, n);
    dst[n] = 0;
    return true;
}

// Takes the key that runs from the start of the line to the '=' at eq.
const char *take_key(const char *line, const char *eq, char *key)
{
    const char *p = line;
    while (cfg_space(*p))
        p++;
    const char *start = p;
    while (p < eq && !cfg_space(*p))
        p++;
    if (!copy_field(key, start, static_cast<size_t>(p - start)))
        return "parse error: key too long";
    for (; p < eq; p++)
        if (!cfg_space(*p))
            return "parse error: illegal assignment";
    return nullptr;
}

// Takes a value quoted with q, whose text starts at p; a backslash before
// q stands for q, any other backslash for itself.
const char *take_quoted(const char *p, char q, char *value, char *quote_err)
{
    size_t n = 0;
    for (;;) {
        char c;
        if (*p == 0) {
            snprintf(quote_err, 32, "parse error: missing '%c'", q);
            return quote_err;
        }
        if (*p == '\\' && p[1] == q) {
            c = q;
            p += 2;
        } else if (*p == q) {
            break;
        } else {
            c = *p++;
        }
        if (n + 1 >= FIELD_SIZE)
            return "parse error: value too long";
        value[n++] = c;
    }
    value[n] = 0;
    return nullptr;
}

const char *take_value(const char *eq, char *value, char *quote_err)
{
    const char *p = eq + 1;
    while (cfg_space(*p))
        p++;
    if (*p == '"' || *p == '\'')
        return take_quoted(p + 1, *p, value, quote_err);
    const char *start = p;
    while (*p && !cfg_space(*p))
        p++;
    if (!copy_field(value, start, static_cast<size_t>(p - start)))
        return "parse error: value too long";
    return nullptr;
}

void store_value(config_entry *e, const char *value)
{
    if (e->type == PCONFIG_INT) {
        e->int_value = atoi(value);
    } else {
        free(e->string_value);
        e->string_value = safe_strdup(value);
    }
}

// Writes the line's error message followed by the key, if any, cut short
// when needed so that " on line N" always fits behind it.
void set_line_error(int lineno, const char *msg, const char *key = "")
{
    char suffix[32];
    size_t sn = static_cast<size_t>(snprintf(suffix, sizeof suffix, " on line %d", lineno));
    size_t room = PCONFIG_ERRBUF_SIZE - 1 - sn;
    size_t n = 0;
    for (const char *part : {msg, key}) {
        size_t len = strnlen(part, room - n);
        memcpy(pconfig_errbuf + n, part, len);
        n += len;
    }
    memcpy(pconfig_errbuf + n, suffix, sn + 1);
}

// Handles one line (cut at its first NUL). Returns 0, or -1 after writing
// the line's error into the error buffer.
int handle_line(char *line, int lineno, line_fields &f)
{
    if (*line == 0)
        return 0;
    if (char *hash = strchr(line, '#'))
        *hash = 0;
    if (*line == 0)
        return 0;
    char *eq = strchr(line, '=');
    const char *err = nullptr;
    char quote_err[32];
    if (!eq) {
        if (only_space(line))
            return 0;
        err = "parse error: missing '='";
    } else if (strchr(eq + 1, '=')) {
        err = "parse error: multiple '='";
    } else if (!(err = take_key(line, eq, f.key))) {
        err = take_value(eq, f.value, quote_err);
    }
    if (err) {
        set_line_error(lineno, err);
        return -1;
    }
    config_entry *e = pconfig_find(f.key);
    if (!e) {
        set_line_error(lineno, "unrecognized option: ", f.key);
        return -1;
    }
    store_value(e, f.value);
    return 0;
}

enum read_result { LINE_READ, LINE_EOF, LINE_FAILED };

// Reads one line into a fresh buffer, NUL in place of its line feed.
// LINE_EOF and LINE_FAILED release the buffer; a line cut short by the
// end of the file is dropped.
read_result read_line(FILE *fp, char **out, int lineno)
{
    size_t size = LINE_START;
    char *buf = static_cast<char *>(malloc(size));
    if (!buf)
        return LINE_FAILED;
    for (size_t i = 0;; i++) {
        int c = fgetc(fp);
        if (c == EOF) {
            free(buf);
            return ferror(fp) ? LINE_FAILED : LINE_EOF;
        }
        if (c == '\n') {
            buf[i] = 0;
            *out = buf;
            return LINE_READ;
        }
        if (i == LINE_MAX_LEN) {
            free(buf);
            set_line_error(lineno, "parse error: line too long");
            return LINE_FAILED;
        }
        buf[i] = static_cast<char>(c);
        if (i == size - 2) {
            char *bigger = static_cast<char *>(realloc(buf, size * 2));
            if (!bigger) {
                free(buf);
                snprintf(pconfig_errbuf, PCONFIG_ERRBUF_SIZE, "realloc() failed, not enough memory");
                return LINE_FAILED;
            }
            buf = bigger;
            size *= 2;
        }
    }
}

} // namespace

int pconfig_read_file(const char *path)
{
    FILE *fp = fopen(path, "rt");
    if (!fp)
        return -1;
    line_fields fields;
    int result = 0;
    for (int lineno = 1;; lineno++) {
        char *line;
        read_result r = read_line(fp, &line, lineno);
        if (r != LINE_READ) {
            result = r == LINE_EOF ? 0 : -1;
            break;
        }
        result = handle_line(line, lineno, fields);
        free(line);
        if (result < 0)
            break;
    }
    fclose(fp);
    return result;
}
