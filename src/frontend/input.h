// Standard input read through the engine's own buffer, so that the main loop
// and the search's input poll see the same lines: a line counts as waiting
// only once it is complete (or the input has ended), so a partly sent line
// never makes a poll block.
#pragma once

#include <cstddef>

namespace tarrock {

constexpr size_t LineBufferSize = 10240;

// True when a complete line is waiting: buffered already, or completed by the
// bytes descriptor 0 holds now (taken without blocking), or the last line of
// an input that has ended. A partial line stays buffered and counts as no
// input.
bool InputWaiting();

// Reads one line (blocking) into buffer, without its newline. A line longer
// than size - 1 characters is returned in pieces, the tail as the next line.
// Returns false at end of input with nothing left to read.
bool ReadInputLine(char* buffer, size_t size);

// True once the end of input has been seen and every buffered byte consumed.
bool InputAtEnd();

// Forgets everything buffered and the end of input, so that descriptor 0 can
// be replaced by a new input (the fuzz harnesses run many sessions in one
// process).
void ResetInput();

// Whether standard input is an interactive terminal.
bool InputIsTerminal();

// Removes trailing characters that are not printable (newline, carriage
// return, other control characters).
void TrimLineEnd(char* line);

}  // namespace tarrock
