// Sound files in a build without libsndfile (the Windows tool): only raw .f64.
#include "SoundIo.h"

bool FileKindSupported(FileKind kind)
{
  return kind == FileKind::RawF64;
}

std::string SupportedExtensions()
{
  return ".f64 (this build has no WAV, FLAC or AIFF support)";
}

std::unique_ptr<SoundSource> OpenSoundSource(const std::string& path, std::string& error)
{
  if (FileKindOfPath(path) == FileKind::RawF64)
    return OpenRawF64Source(path, error);
  error = "unsupported file type (use " + SupportedExtensions() + ")";
  return nullptr;
}

std::unique_ptr<SoundSink> CreateSoundSink(const std::string& path, FileKind kind, double, SampleEncoding,
                                           std::string& error)
{
  if (kind == FileKind::RawF64)
    return CreateRawF64Sink(path, error);
  error = "unsupported file type (use " + SupportedExtensions() + ")";
  return nullptr;
}
