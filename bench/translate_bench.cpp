// How long the texts of start-up take to translate with a 60 KB language
// file: every key the windows pass to the translation at start-up, read
// from KEYS (one a line), looked up once each as start-up does.
//
//   translate_bench KEYS

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "i18n/translate.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: translate_bench KEYS\n");
    return 2;
  }
  std::vector<std::string> keys;
  std::ifstream in(argv[1]);
  for (std::string key; std::getline(in, key);)
    if (!key.empty()) keys.push_back(key);

  const auto dir = std::filesystem::temp_directory_path() /
                   ("brevane-translate-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  {
    // Filler first, so every key is found late in the file.
    std::ofstream file(i18n::kLanguageFileName, std::ios::binary);
    std::size_t size = 0;
    for (int i = 0; size < 60 * 1024 - 64 * keys.size(); ++i) {
      const std::string line = "Filler text number " + std::to_string(i) + "=Fülltext\r\n";
      file << line;
      size += line.size();
    }
    for (const auto& key : keys) file << key << "=[" << key << "]\r\n";
  }
  const auto size = std::filesystem::file_size(i18n::kLanguageFileName);
  i18n::SetTranslationSwitch(1);

  using Clock = std::chrono::steady_clock;
  std::vector<double> runs;
  for (int run = 0; run < 20; ++run) {
    // Each run as at start-up: the file has just been written.
    std::filesystem::last_write_time(i18n::kLanguageFileName,
                                     std::filesystem::file_time_type::clock::now());
    const auto start = Clock::now();
    for (const auto& key : keys) i18n::Translate(key);
    runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(runs.begin(), runs.end());
  std::printf("language file %ju bytes, %zu start-up texts\n", static_cast<std::uintmax_t>(size),
              keys.size());
  std::printf(
      "all start-up texts: median %.3f ms, slowest %.3f ms of 20 start-ups (goal <= 1 ms)\n",
      runs[runs.size() / 2], runs.back());
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);
  return 0;
}
