// Test helper: PNG files written in memory through libpng, in any colour type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngSpec
{
  uint32_t width = 1;
  uint32_t height = 1;
  int bitDepth = 8;
  int colourType = 6; // PNG colour type numbers
  bool interlaced = false;
  std::vector<std::vector<uint8_t>> rows; // packed as the file stores them
  std::vector<uint8_t> palette;           // r, g, b triples
  std::vector<uint8_t> transparency;      // tRNS entries for palette images
  std::vector<uint16_t> transparentColour; // tRNS colour: grey, or red, green, blue
  bool ancillary = false;                  // add gAMA, cHRM, pHYs and tEXt chunks
};

std::vector<uint8_t> WritePng(const PngSpec& spec);

// Saves the bytes when BRINDLE_PNG_SEEDS names a folder (the fuzzer's seed corpus).
void SaveSeed(const std::string& name, const std::vector<uint8_t>& bytes);
