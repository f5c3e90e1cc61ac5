// Standard input read through the engine's own buffer, so that the main loop
// and the search's input poll see the same lines: a line counts as waiting
// once it is complete in the buffer or the descriptor has something to read.
#pragma once

#include <cstddef>

namespace tarrock {

constexpr size_t LineBufferSize = 10240;

// True when a complete line is buffered or descriptor 0 is readable (data,
// end of input or an error all count: the next read will not block for long).
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
