// File kinds by extension, the output encoding rule and raw .f64 stereo files.
#include "SoundIo.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace
{
constexpr int kRawChannels = 2;
constexpr int64_t kRawFrameBytes = kRawChannels * 8;

std::string LowerExtension(const std::string& path)
{
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// The file format is little-endian whatever the machine, so bytes are placed by hand.
double DecodeLittleEndian(const unsigned char* bytes)
{
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = (bits << 8) | bytes[i];
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void EncodeLittleEndian(double value, unsigned char* bytes)
{
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i)
  {
    bytes[i] = static_cast<unsigned char>(bits & 0xff);
    bits >>= 8;
  }
}

class RawF64Source : public SoundSource
{
public:
  RawF64Source(std::FILE* file, int64_t frames) : file(file), frames(frames) {}
  ~RawF64Source() override { std::fclose(file); }

  int Channels() const override { return kRawChannels; }
  double SampleRate() const override { return 0.0; }
  int64_t Frames() const override { return frames; }
  SampleEncoding Encoding() const override { return SampleEncoding::Float64; }
  std::string Description() const override { return "raw stereo float64"; }

  int64_t Read(double* interleaved, int64_t count) override
  {
    if (count <= 0)
      return 0;
    bytes.resize(static_cast<size_t>(count * kRawFrameBytes));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    if (got < bytes.size() && std::ferror(file))
      return -1;
    const int64_t framesRead = static_cast<int64_t>(got) / kRawFrameBytes;
    for (int64_t i = 0; i < framesRead * kRawChannels; ++i)
      interleaved[i] = DecodeLittleEndian(&bytes[static_cast<size_t>(i) * 8]);
    return framesRead;
  }

private:
  std::FILE* file;
  int64_t frames;
  std::vector<unsigned char> bytes;
};

class RawF64Sink : public SoundSink
{
public:
  explicit RawF64Sink(std::FILE* file) : file(file) {}
  ~RawF64Sink() override
  {
    if (file)
      std::fclose(file);
  }

  std::string Description() const override { return "raw stereo float64"; }

  bool Write(const double* interleavedStereo, int64_t count) override
  {
    if (!file)
      return false;
    if (count <= 0)
      return true;
    bytes.resize(static_cast<size_t>(count * kRawFrameBytes));
    for (int64_t i = 0; i < count * kRawChannels; ++i)
      EncodeLittleEndian(interleavedStereo[i], &bytes[static_cast<size_t>(i) * 8]);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }

  bool Close() override
  {
    if (!file)
      return false;
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    return flushed && closed;
  }

private:
  std::FILE* file;
  std::vector<unsigned char> bytes;
};
}  // namespace

FileKind FileKindOfPath(const std::string& path)
{
  const std::string ext = LowerExtension(path);
  if (ext == "f64")
    return FileKind::RawF64;
  if (ext == "wav")
    return FileKind::Wav;
  if (ext == "flac")
    return FileKind::Flac;
  if (ext == "aif" || ext == "aiff" || ext == "aifc")
    return FileKind::Aiff;
  return FileKind::Unknown;
}

SampleEncoding ChooseEncoding(FileKind kind, SampleEncoding inputEncoding)
{
  switch (kind)
  {
    case FileKind::RawF64:
      return SampleEncoding::Float64;
    case FileKind::Flac:
      // FLAC stores integers of at most 24 bits.
      return inputEncoding == SampleEncoding::Pcm16 ? SampleEncoding::Pcm16 : SampleEncoding::Pcm24;
    case FileKind::Wav:
    case FileKind::Aiff:
    case FileKind::Unknown:
      break;
  }
  return inputEncoding == SampleEncoding::Other ? SampleEncoding::Pcm24 : inputEncoding;
}

const char* EncodingName(SampleEncoding encoding)
{
  switch (encoding)
  {
    case SampleEncoding::Pcm16: return "16-bit";
    case SampleEncoding::Pcm24: return "24-bit";
    case SampleEncoding::Pcm32: return "32-bit";
    case SampleEncoding::Float32: return "32-bit float";
    case SampleEncoding::Float64: return "64-bit float";
    case SampleEncoding::Other: break;
  }
  return "other";
}

std::unique_ptr<SoundSource> OpenRawF64Source(const std::string& path, std::string& error)
{
  std::error_code code;
  const std::filesystem::path fsPath(path);
  if (std::filesystem::is_directory(fsPath, code))
  {
    error = "it is a folder";
    return nullptr;
  }
  const uintmax_t size = std::filesystem::file_size(fsPath, code);
  if (code)
  {
    error = code.message();
    return nullptr;
  }
  if (size % kRawFrameBytes != 0)
  {
    error = std::to_string(size) +
            " bytes is not a whole number of stereo float64 frames (16 bytes each)";
    return nullptr;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file)
  {
    error = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<RawF64Source>(file, static_cast<int64_t>(size / kRawFrameBytes));
}

std::unique_ptr<SoundSink> CreateRawF64Sink(const std::string& path, std::string& error)
{
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
  {
    error = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<RawF64Sink>(file);
}
