// Scratch folders and raw .f64 files for the tool tests; the files are written and
// read byte by byte, independently of the tool's own file code.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A fresh folder per test, removed afterwards.
class ScratchFolderTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = std::filesystem::temp_directory_path() /
             (std::string("brindle-tools-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::string Path(const std::string& name) const { return (folder / name).string(); }

  std::filesystem::path folder;
};

inline void WriteF64(const std::string& path, const std::vector<double>& interleaved)
{
  std::ofstream file(path, std::ios::binary);
  for (double v : interleaved)
  {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int b = 0; b < 8; ++b)
      file.put(static_cast<char>((bits >> (8 * b)) & 0xff));
  }
}

inline std::vector<double> ReadF64(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  std::vector<double> values;
  unsigned char bytes[8];
  while (file.read(reinterpret_cast<char*>(bytes), 8))
  {
    uint64_t bits = 0;
    for (int b = 7; b >= 0; --b)
      bits = (bits << 8) | bytes[b];
    double v;
    std::memcpy(&v, &bits, 8);
    values.push_back(v);
  }
  return values;
}
