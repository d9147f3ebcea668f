// Replays saved inputs through a fuzz target without the fuzzer: every regular file in the folders
// (or the files) named on the command line goes to LLVMFuzzerTestOneInput once, in name order, so
// the normal build checks the seed corpus and every past crasher in seconds.
//
// A folder that does not exist counts as empty (a target may have no regressions yet), but a run
// that finds no input at all fails: a mistyped corpus path must not pass silently.

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

namespace fs = std::filesystem;

// Files that describe a folder's inputs rather than being inputs.
bool IsNote(const fs::path& file) { return file.filename() == "README"; }

std::vector<fs::path> InputsIn(const fs::path& place) {
  std::vector<fs::path> files;
  std::error_code error;
  if (fs::is_regular_file(place, error)) return {place};
  if (!fs::is_directory(place, error)) return files;
  for (const auto& entry : fs::directory_iterator(place, error))
    if (entry.is_regular_file() && !IsNote(entry.path())) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

bool ReadFile(const fs::path& file, std::string* bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& file : InputsIn(argv[i])) {
      std::string bytes;
      if (!ReadFile(file, &bytes)) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
        return 1;
      }
      // A copy of exactly the input's size, so the sanitizer sees a read past its end.
      std::vector<uint8_t> input(bytes.begin(), bytes.end());
      LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "replay: no input found in the folders given\n");
    return 1;
  }
  std::printf("replay: %zu inputs, no fault\n", replayed);
  return 0;
}
