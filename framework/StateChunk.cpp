// Growable little-endian byte buffer of saved state, read from a caller-held position.
#include "framework/StateChunk.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

constexpr int64_t kMaxSize = std::numeric_limits<int32_t>::max();

void StoreLittleEndian(uint8_t* out, uint64_t value, int count)
{
  for (int i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t LoadLittleEndian(const uint8_t* in, int count)
{
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value |= static_cast<uint64_t>(in[i]) << (8 * i);
  return value;
}

} // namespace

bool StateChunk::Resize(int32_t size)
{
  if (size < 0) return false;
  try {
    if (static_cast<size_t>(size) > bytes.capacity()) {
      // Grow in whole steps of the granularity, keeping the bytes contiguous.
      const int64_t steps = (static_cast<int64_t>(size) + kGranularity - 1) / kGranularity;
      const int64_t capacity = steps * kGranularity;
      bytes.reserve(static_cast<size_t>(capacity > kMaxSize ? kMaxSize : capacity));
    }
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

bool StateChunk::PutBytes(const void* data, int32_t count)
{
  if (count < 0 || (count > 0 && !data)) return false;
  const int64_t newSize = static_cast<int64_t>(Size()) + count;
  if (newSize > kMaxSize) return false;
  const int32_t oldSize = Size();
  if (!Resize(static_cast<int32_t>(newSize))) return false;
  if (count > 0) std::memcpy(bytes.data() + oldSize, data, static_cast<size_t>(count));
  return true;
}

bool StateChunk::PutInt(int32_t value)
{
  uint8_t raw[4];
  StoreLittleEndian(raw, static_cast<uint32_t>(value), 4);
  return PutBytes(raw, 4);
}

bool StateChunk::PutDouble(double value)
{
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  uint8_t raw[8];
  StoreLittleEndian(raw, bits, 8);
  return PutBytes(raw, 8);
}

bool StateChunk::PutBool(bool value)
{
  const uint8_t raw = value ? 1 : 0;
  return PutBytes(&raw, 1);
}

bool StateChunk::PutText(const char* text)
{
  const size_t length = text ? std::strlen(text) : 0;
  if (length > static_cast<size_t>(kMaxSize)) return false;
  return PutInt(static_cast<int32_t>(length)) && PutBytes(text, static_cast<int32_t>(length));
}

bool StateChunk::PutChunk(const StateChunk& other)
{
  if (&other == this) {
    const std::vector<uint8_t> copy = bytes;
    return PutBytes(copy.data(), static_cast<int32_t>(copy.size()));
  }
  return PutBytes(other.Data(), other.Size());
}

int32_t StateChunk::GetBytes(void* data, int32_t count, int32_t position) const
{
  if (position < 0 || count < 0) return -1;
  const int64_t end = static_cast<int64_t>(position) + count;
  if (end > Size()) return -1;
  if (count > 0 && data) std::memcpy(data, bytes.data() + position, static_cast<size_t>(count));
  return static_cast<int32_t>(end);
}

int32_t StateChunk::GetInt(int32_t* value, int32_t position) const
{
  uint8_t raw[4];
  const int32_t next = GetBytes(raw, 4, position);
  if (next >= 0 && value) *value = static_cast<int32_t>(static_cast<uint32_t>(LoadLittleEndian(raw, 4)));
  return next;
}

int32_t StateChunk::GetDouble(double* value, int32_t position) const
{
  uint8_t raw[8];
  const int32_t next = GetBytes(raw, 8, position);
  if (next >= 0 && value) {
    const uint64_t bits = LoadLittleEndian(raw, 8);
    std::memcpy(value, &bits, sizeof bits);
  }
  return next;
}

int32_t StateChunk::GetBool(bool* value, int32_t position) const
{
  uint8_t raw;
  const int32_t next = GetBytes(&raw, 1, position);
  if (next >= 0 && value) *value = raw != 0;
  return next;
}

int32_t StateChunk::GetText(char* text, int32_t textSize, int32_t position) const
{
  int32_t length = 0;
  const int32_t start = GetInt(&length, position);
  if (start < 0) return -1;
  // A damaged length must never move the reading backwards or past 32 bits.
  if (length < 0) return -1;
  const int64_t end = static_cast<int64_t>(start) + length;
  if (end > kMaxSize) return -1;
  if (length > 0 && end <= Size() && text && textSize > 0) {
    const int32_t taken = length < textSize - 1 ? length : textSize - 1;
    std::memcpy(text, bytes.data() + start, static_cast<size_t>(taken));
    text[taken] = '\0';
  }
  // Past the end is allowed here: the next read fails and ends the loop.
  return static_cast<int32_t>(end);
}

bool StampChunkHeader(StateChunk& chunk)
{
  chunk.Clear();
  return chunk.PutInt(kChunkMagic) && chunk.PutInt(kChunkVersion);
}

int32_t ReadChunkHeader(const StateChunk& chunk, int32_t& position)
{
  int32_t magic = 0;
  const int32_t afterMagic = chunk.GetInt(&magic, position);
  if (afterMagic < 0 || magic != kChunkMagic) return 0;
  int32_t version = 0;
  const int32_t afterVersion = chunk.GetInt(&version, afterMagic);
  if (afterVersion < 0) {
    position = -1;
    return 0;
  }
  position = afterVersion;
  return version;
}
