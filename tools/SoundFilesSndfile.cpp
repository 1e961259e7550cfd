// Sound files through libsndfile (native build): WAV, FLAC, AIFF and whatever
// else libsndfile reads; integer samples are converted here so that they round
// trip exactly.
#include "SoundIo.h"

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace
{
SampleEncoding EncodingOfFormat(int format)
{
  switch (format & SF_FORMAT_SUBMASK)
  {
    case SF_FORMAT_PCM_16: return SampleEncoding::Pcm16;
    case SF_FORMAT_PCM_24: return SampleEncoding::Pcm24;
    case SF_FORMAT_PCM_32: return SampleEncoding::Pcm32;
    case SF_FORMAT_FLOAT: return SampleEncoding::Float32;
    case SF_FORMAT_DOUBLE: return SampleEncoding::Float64;
    default: return SampleEncoding::Other;
  }
}

int IntegerBits(SampleEncoding encoding)
{
  switch (encoding)
  {
    case SampleEncoding::Pcm16: return 16;
    case SampleEncoding::Pcm24: return 24;
    case SampleEncoding::Pcm32: return 32;
    default: return 0;
  }
}

std::string ContainerName(int format)
{
  switch (format & SF_FORMAT_TYPEMASK)
  {
    case SF_FORMAT_WAV: return "WAV";
    case SF_FORMAT_WAVEX: return "WAV";
    case SF_FORMAT_FLAC: return "FLAC";
    case SF_FORMAT_AIFF: return "AIFF";
    default: break;
  }
  SF_FORMAT_INFO info{};
  info.format = format & SF_FORMAT_TYPEMASK;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
    return info.name;
  return "sound file";
}

// Integers are read left-justified in 32 bits by libsndfile, so one scale of
// 2^31 maps every integer depth onto [-1, 1) and back without loss.
constexpr double kIntScale = 2147483648.0;

class SndfileSource : public SoundSource
{
public:
  SndfileSource(SNDFILE* file, const SF_INFO& info) : file(file), info(info) {}
  ~SndfileSource() override { sf_close(file); }

  int Channels() const override { return info.channels; }
  double SampleRate() const override { return info.samplerate; }
  int64_t Frames() const override { return info.frames; }
  SampleEncoding Encoding() const override { return EncodingOfFormat(info.format); }
  std::string Description() const override
  {
    return ContainerName(info.format) + " " + EncodingName(Encoding());
  }

  int64_t Read(double* interleaved, int64_t count) override
  {
    if (count <= 0)
      return 0;
    if (IntegerBits(Encoding()) == 0)
    {
      const sf_count_t got = sf_readf_double(file, interleaved, count);
      return sf_error(file) == SF_ERR_NO_ERROR ? got : -1;
    }
    integers.resize(static_cast<size_t>(count * info.channels));
    const sf_count_t got = sf_readf_int(file, integers.data(), count);
    if (sf_error(file) != SF_ERR_NO_ERROR)
      return -1;
    for (sf_count_t i = 0; i < got * info.channels; ++i)
      interleaved[i] = integers[static_cast<size_t>(i)] / kIntScale;
    return got;
  }

private:
  SNDFILE* file;
  SF_INFO info;
  std::vector<int> integers;
};

class SndfileSink : public SoundSink
{
public:
  SndfileSink(SNDFILE* file, int format, SampleEncoding encoding)
    : file(file), format(format), bits(IntegerBits(encoding)), encoding(encoding)
  {
  }
  ~SndfileSink() override
  {
    if (file)
      sf_close(file);
  }

  std::string Description() const override { return ContainerName(format) + " " + EncodingName(encoding); }

  bool Write(const double* interleavedStereo, int64_t count) override
  {
    if (!file)
      return false;
    if (count <= 0)
      return true;
    if (bits == 0)
      return sf_writef_double(file, interleavedStereo, count) == count;
    // Round at the file's own depth and clip, then place the value left-justified.
    const double scale = std::ldexp(1.0, bits - 1);
    const double highest = scale - 1.0;
    integers.resize(static_cast<size_t>(count * 2));
    for (int64_t i = 0; i < count * 2; ++i)
    {
      double v = std::nearbyint(interleavedStereo[i] * scale);
      if (!(v >= -scale))  // also catches NaN, written as silence below
        v = std::isnan(v) ? 0.0 : -scale;
      if (v > highest)
        v = highest;
      const int64_t shifted = static_cast<int64_t>(v) * (int64_t{1} << (32 - bits));
      integers[static_cast<size_t>(i)] = static_cast<int>(shifted);
    }
    return sf_writef_int(file, integers.data(), count) == count;
  }

  bool Close() override
  {
    if (!file)
      return false;
    const bool ok = sf_error(file) == SF_ERR_NO_ERROR;
    const bool closed = sf_close(file) == 0;
    file = nullptr;
    return ok && closed;
  }

private:
  SNDFILE* file;
  int format;
  int bits;
  SampleEncoding encoding;
  std::vector<int> integers;
};

int SubtypeOf(SampleEncoding encoding)
{
  switch (encoding)
  {
    case SampleEncoding::Pcm16: return SF_FORMAT_PCM_16;
    case SampleEncoding::Pcm24: return SF_FORMAT_PCM_24;
    case SampleEncoding::Pcm32: return SF_FORMAT_PCM_32;
    case SampleEncoding::Float32: return SF_FORMAT_FLOAT;
    case SampleEncoding::Float64: return SF_FORMAT_DOUBLE;
    case SampleEncoding::Other: break;
  }
  return SF_FORMAT_PCM_24;
}
}  // namespace

bool FileKindSupported(FileKind kind)
{
  return kind != FileKind::Unknown;
}

std::string SupportedExtensions()
{
  return ".wav, .flac, .aif/.aiff or .f64";
}

std::unique_ptr<SoundSource> OpenSoundSource(const std::string& path, std::string& error)
{
  if (FileKindOfPath(path) == FileKind::RawF64)
    return OpenRawF64Source(path, error);
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file)
  {
    error = sf_strerror(nullptr);
    return nullptr;
  }
  if (info.channels < 1 || info.samplerate < 1)
  {
    sf_close(file);
    error = "the file reports no channels or no sample rate";
    return nullptr;
  }
  return std::make_unique<SndfileSource>(file, info);
}

std::unique_ptr<SoundSink> CreateSoundSink(const std::string& path, FileKind kind, double sampleRate,
                                           SampleEncoding encoding, std::string& error)
{
  if (kind == FileKind::RawF64)
    return CreateRawF64Sink(path, error);
  int container = 0;
  switch (kind)
  {
    case FileKind::Wav: container = SF_FORMAT_WAV; break;
    case FileKind::Flac: container = SF_FORMAT_FLAC; break;
    case FileKind::Aiff: container = SF_FORMAT_AIFF; break;
    default:
      error = "unsupported file type (use " + SupportedExtensions() + ")";
      return nullptr;
  }
  const SampleEncoding chosen = ChooseEncoding(kind, encoding);
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(sampleRate));
  info.channels = 2;
  info.format = container | SubtypeOf(chosen);
  if (!sf_format_check(&info))
  {
    error = std::string("the format does not take ") + EncodingName(chosen) + " samples at " +
            std::to_string(info.samplerate) + " Hz";
    return nullptr;
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
  {
    error = sf_strerror(nullptr);
    return nullptr;
  }
  return std::make_unique<SndfileSink>(file, info.format, chosen);
}
