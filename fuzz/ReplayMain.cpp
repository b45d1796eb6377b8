// Runs a fuzz target over saved inputs, for the ordinary build and the tests:
//   fuzz_<target> FILE|DIRECTORY... [--optional DIRECTORY...]
// Every path before --optional must exist, and at least one input must be
// replayed; the optional ones (regressions a target may not have yet) may be
// missing. A broken rule or a sanitizer report ends the run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) return {path};
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(path, error))
    if (entry.is_regular_file(error)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 0;
  bool optional = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--optional") {
      optional = true;
      continue;
    }
    std::error_code error;
    if (!std::filesystem::exists(argv[i], error)) {
      if (optional) continue;
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 1;
    }
    for (const std::filesystem::path& file : InputsIn(argv[i])) {
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++count;
    }
  }
  std::printf("%zu inputs replayed\n", count);
  if (count == 0) {
    std::fprintf(stderr, "nothing was replayed\n");
    return 1;
  }
  return 0;
}
