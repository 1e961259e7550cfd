// Growable little-endian byte buffer of saved state, read from a caller-held position.
#pragma once

#include <cstdint>
#include <vector>

// Reads return the position after the value, or -1 when the value does not lie
// wholly inside the chunk (the target is then left unchanged). A read at a
// negative position always fails, so -1 ends every reading loop.
class StateChunk {
public:
  static constexpr int32_t kGranularity = 4096;

  int32_t Size() const { return static_cast<int32_t>(bytes.size()); }
  const uint8_t* Data() const { return bytes.data(); }
  uint8_t* Data() { return bytes.data(); }
  void Clear() { bytes.clear(); }
  // Sets the size (new bytes are zero); false when the size is negative or memory runs out.
  bool Resize(int32_t size);

  // Appends; false when the chunk cannot grow (its size stays a 32-bit value).
  bool PutBytes(const void* data, int32_t count);
  bool PutInt(int32_t value);
  bool PutDouble(double value);
  bool PutBool(bool value);
  // A 32-bit length (no terminator counted), then the characters.
  bool PutText(const char* text);
  // The other chunk's bytes, without a length.
  bool PutChunk(const StateChunk& other);

  int32_t GetBytes(void* data, int32_t count, int32_t position) const;
  int32_t GetInt(int32_t* value, int32_t position) const;
  int32_t GetDouble(double* value, int32_t position) const;
  int32_t GetBool(bool* value, int32_t position) const;
  // The text is taken only when its length is positive and it lies inside the
  // chunk; it is cut to textSize - 1 characters and terminated. A negative
  // length, or one that would carry the position past 32 bits, fails the read.
  int32_t GetText(char* text, int32_t textSize, int32_t position) const;

  bool operator==(const StateChunk& other) const { return bytes == other.bytes; }

private:
  std::vector<uint8_t> bytes;
};

constexpr int32_t kChunkMagic = 0x70666674;
constexpr int32_t kChunkVersion = 0x00010000;

// Empties the chunk and writes the magic and the framework chunk version.
bool StampChunkHeader(StateChunk& chunk);
// Returns the version and moves position past the header when there is one;
// returns 0 and leaves position alone when the chunk has no header, and sets
// position to -1 when the header is cut short after the magic.
int32_t ReadChunkHeader(const StateChunk& chunk, int32_t& position);
