// What every fuzz target shares: one start-up of the engine's tables per
// process, a fresh session state for each input, the input handed to a
// reader as a file or as standard input, and a guard that turns the engine
// ending the process into the end of one input. A target is one file
// fuzz/NAME_fuzz.cpp defining LLVMFuzzerTestOneInput; its seeds live in
// fuzz/corpus/NAME/ and the reproducers of fixed findings in
// fuzz/regressions/NAME/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "board/position.h"

namespace tarrock::fuzz {

// Node budget of every search a target starts: "go" and "analyze" end fast.
constexpr uint64_t SearchNodeBudget = 1000;

// Builds the tables, keys and small hash tables once; sends the engine's
// standard output to /dev/null unless TARROCK_FUZZ_VERBOSE is set; keeps
// files the engine writes in a scratch directory (TMPDIR).
void startEngine();

// Puts the front end, search, clocks, evaluation weights and configuration
// back to their start-up values and clears the hash tables, so that an input
// behaves the same whatever ran before it.
void resetSession();

// The input as text: bytes up to the first NUL, at most maxLength of them.
std::string inputText(const uint8_t* data, size_t size, size_t maxLength);

// Writes text to this process's scratch file and returns its path.
const char* writeScratchFile(const std::string& text);

// The path of name in this process's scratch directory.
std::string scratchPath(const std::string& name);

// Makes the scratch file holding text the process's standard input, read
// from its start.
void useAsStandardInput(const std::string& text);

// Runs body; returns -1 when it returned, or the status it passed to exit().
int runGuarded(void (*body)(void*), void* arg);

// Reports a finding on standard error and aborts (the fuzzer keeps the input).
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tarrock::fuzz
