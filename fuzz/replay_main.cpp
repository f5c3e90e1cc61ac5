// Replays inputs through a fuzz target without libFuzzer, so that the corpus
// and the kept reproducers run in every build (under the sanitizers in the
// sanitize build): each argument is a file or a directory of files. A missing
// directory of reproducers is skipped; a missing or empty corpus fails.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::string> inputsOf(const std::filesystem::path& path) {
  std::vector<std::string> files;
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path().string());
  } else if (std::filesystem::is_regular_file(path)) {
    files.push_back(path.string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS [MORE FILES OR DIRECTORIES]\n", argv[0]);
    return 2;
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::string> files = inputsOf(argv[i]);
    if (i == 1 && files.empty()) {
      std::fprintf(stderr, "no inputs in %s\n", argv[i]);
      return 1;
    }
    for (const std::string& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::fprintf(stderr, "%s\n", file.c_str());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::fprintf(stderr, "replayed %d inputs\n", replayed);
  return 0;
}
