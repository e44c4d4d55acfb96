// The l command: fills an inclusive range of offsets with one byte value,
// after asking for the range and the value, and keeps the old bytes on the
// undo stack.
#include "commands/edit.h"
#include "core/editor.h"
#include "filemap/filemap.h"
#include "screen/prompt.h"
#include "screen/screen.h"

namespace {

// Asks for start, end and value; shows the first failed check's message.
bool ask_fill(int64_t *start, int64_t *end, int64_t *value)
{
    const char *fault = nullptr;
    if (prompt_number("Enter start offset: ", start) < 0 || *start < 0)
        fault = "Invalid starting offset!";
    else if (*start >= editor.file_size)
        fault = "Starting offset is beyond the end of file!";
    else if (prompt_number("Enter end offset: ", end) < 0 || *end < 0)
        fault = "Invalid end offset!";
    else if (*end >= editor.file_size)
        fault = "End offset is beyond the end of file!";
    else if (*end <= *start)
        fault = "End offset is less than or equal to starting offset!";
    else if (prompt_number("Fill with byte: ", value) < 0 || *value < 0 || *value > 255)
        fault = "Wrong byte value (must be in [0, 255]).";
    if (fault)
        show_message_pause(fault);
    return fault == nullptr;
}

// Draws every view row from the first one that shows a byte of the range
// (which may be row 0 when the range starts above the view) to the last.
void redraw_from(int64_t start)
{
    int64_t bpr = editor.bytes_per_row;
    int64_t first = start > editor.top ? start : editor.top;
    int64_t row = (first - editor.top) / bpr;
    for (int64_t r = row; r < editor.rows; r++)
        draw_row(static_cast<int>(r), editor.top + r * bpr);
}

}  // namespace

void fill_range()
{
    int64_t start, end, value;
    if (!ask_fill(&start, &end, &value))
        return;
    uint8_t *saved = static_cast<uint8_t *>(safe_malloc(static_cast<size_t>(end - start + 1)));
    copy_bytes(start, end, saved);
    push_undo(start, end, 0, saved);
    editor.modified = 1;
    fill_bytes(start, end, static_cast<uint8_t>(value));
    unhighlight_cursor();
    if (end >= editor.top)
        redraw_from(start);
    highlight_cursor();
}
