// Shared by the transforms tests: test data, parameterised-case names, and
// the system's own tools (gzip, openssl, python3) run as oracles without a
// shell and without the code under test.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "qor/value.h"

extern char** environ;

namespace qor::test_support {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline Bytes bytesOrEmpty(const DataRef& data) { return data ? data->bytes() : Bytes(); }

// Names parameterised cases after their `name` field.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& testCase) const {
    return testCase.param.name;
  }
};

// Incompressible bytes, the same for the same seed.
inline Bytes randomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(generator));
  return bytes;
}

// Compressible text: random picks from a few words.
inline Bytes wordBytes(std::size_t size, std::uint32_t seed) {
  static const std::vector<std::string> kWords = {"key ",   "binding ", "set ",
                                                  "menu\n", "editor ",  "shortcut "};
  std::mt19937 generator(seed);
  std::uniform_int_distribution<std::size_t> pick(0, kWords.size() - 1);
  Bytes bytes;
  while (bytes.size() < size) {
    const std::string& word = kWords[pick(generator)];
    bytes.insert(bytes.end(), word.begin(), word.end());
  }
  bytes.resize(size);
  return bytes;
}

inline Bytes readWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Runs `argv` (looked up in PATH) with `input` as standard input; standard
// error is discarded. Result: the standard output, or nullopt when the tool
// cannot start or exits with a status other than 0.
inline std::optional<Bytes> runTool(const std::vector<std::string>& argv, const Bytes& input) {
  static std::atomic<int> counter{0};
  const auto stem =
      std::filesystem::temp_directory_path() /
      ("qor-transforms-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  const std::string inputPath = stem.string() + ".in";
  const std::string outputPath = stem.string() + ".out";
  {
    std::ofstream file(inputPath, std::ios::binary);
    file.write(reinterpret_cast<const char*>(input.data()),
               static_cast<std::streamsize>(input.size()));
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> pointers;
  for (const auto& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  pid_t child = -1;
  const int spawned =
      posix_spawnp(&child, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  const bool ok = spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0;
  std::optional<Bytes> output;
  if (ok) output = readWholeFile(outputPath);
  std::filesystem::remove(inputPath);
  std::filesystem::remove(outputPath);
  return output;
}

}  // namespace qor::test_support
