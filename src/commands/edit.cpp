// Changing single bytes: a typed character in character mode, a typed
// hexadecimal digit (one half of the byte) in hexadecimal mode, and the
// undo stack every change is pushed on.
#include "commands/edit.h"
#include "commands/move.h"
#include "core/editor.h"
#include "filemap/filemap.h"
#include "screen/screen.h"

#include <cctype>

void push_undo(int64_t start, int64_t end, uint8_t old_byte, uint8_t *saved)
{
    editor.undo.push_back({start, end, old_byte, saved});
}

namespace {

// Stores a byte that differs from the one under the cursor, with its undo
// entry, and shows it in both panes.
void replace_cursor_byte(uint8_t old_byte, uint8_t value)
{
    push_undo(editor.cursor, 0, old_byte, nullptr);
    editor.modified = 1;
    set_byte_at(editor.cursor, value);
    cell_update(editor.cursor, value);
    highlight_cursor();
}

int hex_digit_value(int key)
{
    if (key >= '0' && key <= '9')
        return key - '0';
    return key - 'a' + 10;
}

}  // namespace

void enter_character(int key)
{
    uint8_t old_byte = byte_at(editor.cursor);
    uint8_t value = static_cast<uint8_t>(key);
    if (old_byte != value)
        replace_cursor_byte(old_byte, value);
    advance_cursor();
}

void enter_hex_digit(int key)
{
    if (key < 0 || key > 255)
        return;
    key = tolower(key);
    if (!isxdigit(key))
        return;
    int digit = hex_digit_value(key);
    uint8_t old_byte = byte_at(editor.cursor);
    uint8_t value = editor.nibble == 0 ? static_cast<uint8_t>(digit << 4 | (old_byte & 0x0f))
                                       : static_cast<uint8_t>((old_byte & 0xf0) | digit);
    if (value != old_byte)
        replace_cursor_byte(old_byte, value);
    if (advance_after_edit)
        advance_cursor();
}
