// Tablebase generation: the plain files (".nbw", ".nbb") of the 3- and 4-man
// classes, built by retrograde analysis over the index functions and the
// board's move generator. Every legal position gets its distance to mate in
// the byte code the probe reads (127 - n for a win in n moves, n - 127 for a
// loss in n, 0 for a draw); a checkmated side to move and indices that no
// position uses hold 127, "unknown". Captures and promotions into smaller
// classes read those classes, which are generated first (or taken from the
// directory when their files are there with the right lengths) and written
// alongside.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tarrock {

// Class number of a 3- or 4-man class name ("kqkr"), 0 for any other text.
int TbGeneratorClass(const char* name);

// Writes the files of class id (3 or 4 men) and of every class it converts
// into to the directory, one progress line per pass and a summary line per
// class on `progress` (may be null). The board tables must be built. Returns
// false with a message in `error` when a file cannot be written.
bool TbGenerate(int id, const std::string& directory, FILE* progress, std::string& error);
// The same for several classes in one run: a class built for an earlier one
// is not built again.
bool TbGenerate(const std::vector<int>& ids, const std::string& directory, FILE* progress, std::string& error);

}  // namespace tarrock
