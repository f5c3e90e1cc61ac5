#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "board/position.h"
#include "core/state.h"
#include "eval/evaltables.h"
#include "eval/pawns.h"
#include "frontend/engine.h"
#include "search/state.h"
#include "search/tt.h"

namespace tarrock::testutil {

void initEngineTables() {
  static bool done = false;
  if (done) return;
  done = true;
  resetRandom();
  InstallFrontendHooks();
  InitEvalTables();
  initKeys();
  AllocatePawnTable();
}

void initSearchTables() {
  initEngineTables();
  frontend.showOutput = 0;
  search.inputPolling = false;
  if (!transTable.entries) {
    ResizeHashMemory(1 << 22);
    AllocateHashTable(transTable.configuredEntries);
    AllocatePawnTable();
  }
}

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp && *tmp) ? tmp : "/tmp";
  std::string pattern = base + "/tarrock-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (char* made = mkdtemp(buffer.data())) path_ = made;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void ScratchDir::write(const std::string& name, const std::string& content) const {
  std::ofstream(file(name), std::ios::binary) << content;
}

std::string ScratchDir::read(const std::string& name) const { return readFile(file(name)); }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string drainStream(FILE* stream) {
  std::rewind(stream);
  std::string text;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, stream)) > 0) text.append(chunk, n);
  std::fclose(stream);
  return text;
}

namespace {

// Starts the binary in dir (the current directory when empty) with its three
// standard streams on pipes; the parent keeps in[1], out[0] and err[0].
// Returns the child's pid, or -1.
pid_t spawn(const std::string& binary, const std::vector<std::string>& args, const std::string& dir, int in[2],
            int out[2], int err[2]) {
  if (pipe(in) || pipe(out) || pipe(err)) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  return pid;
}

}  // namespace

RunResult runProgram(const std::string& binary, const std::vector<std::string>& args,
                     const std::string& input, const std::string& dir) {
  RunResult result;
  std::signal(SIGPIPE, SIG_IGN);  // the program may exit before reading all input
  int in[2], out[2], err[2];
  pid_t pid = spawn(binary, args, dir, in, out, err);
  if (pid < 0) return result;
  // Feed the input and drain both outputs together so that no pipe fills up.
  size_t written = 0;
  int inFd = in[1];
  fcntl(inFd, F_SETFL, O_NONBLOCK);
  if (input.empty()) {
    close(inFd);
    inFd = -1;
  }
  bool outOpen = true, errOpen = true;
  char chunk[65536];
  while (outOpen || errOpen) {
    struct pollfd fds[3];
    int n = 0;
    if (outOpen) fds[n++] = {out[0], POLLIN, 0};
    if (errOpen) fds[n++] = {err[0], POLLIN, 0};
    if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
    if (poll(fds, nfds_t(n), 60000) <= 0) break;
    for (int i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == inFd) {
        ssize_t w = ::write(inFd, input.data() + written, input.size() - written);
        if (w > 0) written += size_t(w);
        if (w < 0 || written == input.size()) {
          close(inFd);
          inFd = -1;
        }
        continue;
      }
      ssize_t r = ::read(fds[i].fd, chunk, sizeof chunk);
      if (r <= 0) {
        if (fds[i].fd == out[0]) outOpen = false;
        else errOpen = false;
        continue;
      }
      (fds[i].fd == out[0] ? result.out : result.err).append(chunk, size_t(r));
    }
  }
  if (inFd >= 0) close(inFd);
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

RunResult runEngine(const std::vector<std::string>& args, const std::string& input,
                    const std::string& dir) {
  if (!dir.empty()) return runProgram(TARROCK_BINARY, args, input, dir);
  ScratchDir scratch;
  return runProgram(TARROCK_BINARY, args, input, scratch.path());
}

SessionResult runSession(const std::vector<std::string>& args, const std::vector<SessionStep>& steps,
                         double timeout, const std::string& dir) {
  using Clock = std::chrono::steady_clock;
  SessionResult result;
  ScratchDir scratch;
  std::signal(SIGPIPE, SIG_IGN);
  int in[2], out[2], err[2];
  pid_t pid = spawn(TARROCK_BINARY, args, dir.empty() ? scratch.path() : dir, in, out, err);
  if (pid < 0) return result;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(long(timeout * 1000));
  bool outOpen = true, errOpen = true;
  // Reads what the engine wrote within the given milliseconds.
  auto drain = [&](int waitMs) {
    struct pollfd fds[2];
    int n = 0;
    if (outOpen) fds[n++] = {out[0], POLLIN, 0};
    if (errOpen) fds[n++] = {err[0], POLLIN, 0};
    if (n == 0 || poll(fds, nfds_t(n), waitMs) <= 0) return;
    char chunk[65536];
    for (int i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      ssize_t r = ::read(fds[i].fd, chunk, sizeof chunk);
      bool isOut = fds[i].fd == out[0];
      if (r <= 0) (isOut ? outOpen : errOpen) = false;
      else (isOut ? result.out : result.err).append(chunk, size_t(r));
    }
  };
  for (const SessionStep& step : steps) {
    const Clock::time_point start = Clock::now();
    const size_t from = result.out.size();
    if (!step.input.empty() && ::write(in[1], step.input.data(), step.input.size()) < 0) break;
    auto seen = [&] {
      for (const std::string& text : step.waitFor)
        if (result.out.find(text, from) != std::string::npos) return true;
      return false;
    };
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    while (Clock::now() < deadline && outOpen) {
      if (step.waitFor.empty() ? elapsed() >= step.pause : seen()) break;
      drain(10);
    }
    result.waited.push_back(elapsed());
  }
  close(in[1]);
  while ((outOpen || errOpen) && Clock::now() < deadline) drain(10);
  int status = 0;
  if (outOpen || errOpen) {
    result.timedOut = true;
    kill(pid, SIGKILL);
  }
  waitpid(pid, &status, 0);
  close(out[0]);
  close(err[0]);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::vector<std::string> dataLines(const std::string& name) {
  std::string path = std::string(TARROCK_TESTDATA) + "/" + name;
  std::ifstream in(path);
  std::vector<std::string> lines;
  if (!in) {
    ADD_FAILURE() << "missing test data file " << path;
    return lines;
  }
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.empty()) ADD_FAILURE() << "empty test data file " << path;
  return lines;
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace tarrock::testutil
