// Sources and sinks of interleaved audio for brindle-render: sound files through
// libsndfile (native build), raw little-endian float64 stereo (.f64) everywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// How samples are stored in a file, independent of the container.
enum class SampleEncoding
{
  Pcm16,
  Pcm24,
  Pcm32,
  Float32,
  Float64,
  Other  // anything else libsndfile reads (8-bit, compressed...)
};

class SoundSource
{
public:
  virtual ~SoundSource() = default;
  virtual int Channels() const = 0;
  virtual double SampleRate() const = 0;  // 0 when the file carries no rate
  virtual int64_t Frames() const = 0;
  virtual SampleEncoding Encoding() const = 0;
  virtual std::string Description() const = 0;
  // Reads up to frames interleaved frames; returns how many were read, or -1 on error.
  virtual int64_t Read(double* interleaved, int64_t frames) = 0;
};

class SoundSink
{
public:
  virtual ~SoundSink() = default;
  virtual std::string Description() const = 0;
  // Writes frames interleaved stereo frames; false on a write error.
  virtual bool Write(const double* interleavedStereo, int64_t frames) = 0;
  // Flushes and closes; false when the data did not reach the file.
  virtual bool Close() = 0;
};

enum class FileKind
{
  RawF64,
  Wav,
  Flac,
  Aiff,
  Unknown
};

FileKind FileKindOfPath(const std::string& path);
bool FileKindSupported(FileKind kind);  // libsndfile formats only in the native build
std::string SupportedExtensions();

// On failure these return null and set error to the reason, without the path.
std::unique_ptr<SoundSource> OpenSoundSource(const std::string& path, std::string& error);

// Creates a stereo file at path, in the format kind, with the rate given, keeping
// the encoding where the format allows it (see ChooseEncoding).
std::unique_ptr<SoundSink> CreateSoundSink(const std::string& path, FileKind kind, double sampleRate,
                                           SampleEncoding encoding, std::string& error);

// The encoding an output of kind gets when the input had the given one.
SampleEncoding ChooseEncoding(FileKind kind, SampleEncoding inputEncoding);
const char* EncodingName(SampleEncoding encoding);

// Raw .f64 files, usable on their own (both builds).
std::unique_ptr<SoundSource> OpenRawF64Source(const std::string& path, std::string& error);
std::unique_ptr<SoundSink> CreateRawF64Sink(const std::string& path, std::string& error);
