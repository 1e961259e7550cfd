// brindle-render from command line to finished file: the plug-in's lifecycle,
// input and output files, and a temporary file that only replaces the output
// once everything was written.
#include "RenderMain.h"
#include "BrindleVersion.h"

#include "DemoSignal.h"
#include "ParamValues.h"
#include "Platform.h"
#include "RenderOptions.h"
#include "Renderer.h"
#include "SoundIo.h"

#include <filesystem>
#include <system_error>

namespace
{
const char* const kPrefix = "brindle-render: ";

// Releases a created host on every way out.
class HostSession
{
public:
  explicit HostSession(RenderHost& host) : host(host) {}
  ~HostSession()
  {
    if (created)
      host.Release();
  }
  bool Create() { return created = host.Create(); }

private:
  RenderHost& host;
  bool created = false;
};

// Removes the temporary output unless it was moved into place.
class TemporaryFile
{
public:
  explicit TemporaryFile(std::string path) : path(std::move(path)) {}
  ~TemporaryFile()
  {
    if (!kept)
      RemoveFile(path);
  }
  const std::string& Path() const { return path; }
  void Keep() { kept = true; }

private:
  std::string path;
  bool kept = false;
};

// The file to replace: a link is followed so that the file it points at is
// rewritten; anything but a regular file (a folder, a device) is refused.
bool ResolveOutputTarget(const std::string& path, std::string& target, std::string& error)
{
  std::error_code code;
  target = path;
  if (std::filesystem::is_symlink(path, code))
  {
    target = std::filesystem::weakly_canonical(path, code).string();
    if (code)
    {
      error = code.message();
      return false;
    }
  }
  const std::filesystem::file_status status = std::filesystem::status(target, code);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
  {
    error = "it exists and is not a regular file";
    return false;
  }
  return true;
}

// The input file, or the demo when there is none, and the rate to run at: --rate,
// else the file's own, else 48 kHz.
std::unique_ptr<SoundSource> OpenInput(const RenderOptions& options, RenderSettings& settings, RenderConsole& console,
                                       std::string& error)
{
  if (options.inputPath.empty())
  {
    settings.sampleRate = options.sampleRate > 0.0 ? options.sampleRate : kDefaultSampleRate;
    return std::make_unique<DemoSource>(settings.sampleRate);
  }
  std::unique_ptr<SoundSource> source = OpenSoundSource(options.inputPath, error);
  if (!source)
  {
    error = "cannot read " + options.inputPath + ": " + error;
    return nullptr;
  }
  if (source->Channels() > 2)
  {
    error = "cannot read " + options.inputPath + ": it has " + std::to_string(source->Channels()) +
            " channels; only mono and stereo are supported";
    return nullptr;
  }
  const double fileRate = source->SampleRate();
  settings.sampleRate = options.sampleRate > 0.0 ? options.sampleRate : fileRate > 0.0 ? fileRate : kDefaultSampleRate;
  if (settings.sampleRate < kMinSampleRate || settings.sampleRate > kMaxSampleRate)
  {
    error = options.inputPath + " has a sample rate of " + std::to_string(static_cast<long>(fileRate)) +
            " Hz, outside 1000 to 768000 Hz; give --rate";
    return nullptr;
  }
  if (fileRate > 0.0 && fileRate != settings.sampleRate)
    console.err << kPrefix << "note: running at " << settings.sampleRate << " Hz while " << options.inputPath
                << " says " << fileRate << " Hz; nothing is resampled\n";
  if (source->Channels() == 1)
    console.err << kPrefix << "note: mono input, fed to both channels\n";
  return source;
}

int Fail(RenderConsole& console, int code, const std::string& message)
{
  console.err << kPrefix << "error: " << message << "\n";
  if (code == kExitBadCommand)
    console.err << "(brindle-render --help shows the options)\n";
  return code;
}
}  // namespace

int RunRender(const std::vector<std::string>& args, const RenderHostFactory& makeHost, RenderConsole& console,
              const ModuleHostFactory& makeModuleHost)
{
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(args, options, error))
    return Fail(console, kExitBadCommand, error);
  if (options.help)
  {
    console.out << RenderUsage();
    return kExitDone;
  }
  if (options.version)
  {
    console.out << "brindle-render " BRINDLE_VERSION_STRING "\n";
    return kExitDone;
  }

  std::unique_ptr<RenderHost> host;
  if (options.modulePath.empty())
    host = makeHost ? makeHost() : nullptr;
  else if (makeModuleHost)
    host = makeModuleHost(options.modulePath);
  else
    return Fail(console, kExitBadCommand, "--module: this build cannot host modules");
  if (!host)
    return Fail(console, kExitFailed, "no plug-in host available");
  HostSession session(*host);
  if (!session.Create())
  {
    const std::string why = host->Failure();
    return Fail(console, kExitFailed, "the plug-in could not be created" + (why.empty() ? "" : ": " + why));
  }
  std::vector<RenderParamInfo> params;
  if (!host->DescribeParams(params))
    return Fail(console, kExitFailed, "the plug-in did not describe its parameters");
  if (options.listParams)
  {
    console.out << FormatParamTable(params);
    return kExitDone;
  }

  RenderSettings settings;
  settings.blockSize = options.blockSize;
  settings.precision = options.precision;
  if (!ResolveParamValues(params, options.params, settings.paramValues, error))
    return Fail(console, kExitBadCommand, error);

  const FileKind outputKind = FileKindOfPath(options.outputPath);
  if (!FileKindSupported(outputKind))
    return Fail(console, kExitBadCommand,
                "cannot write " + options.outputPath + ": unsupported file type (use " + SupportedExtensions() + ")");

  std::string target;
  if (!ResolveOutputTarget(options.outputPath, target, error))
    return Fail(console, kExitFailed, "cannot write " + options.outputPath + ": " + error);

  std::unique_ptr<SoundSource> source = OpenInput(options, settings, console, error);
  if (!source)
    return Fail(console, kExitFailed, error);
  // Times become frames at the rate the render runs at, so this waits for the input.
  if (!options.automationPath.empty() &&
      !ReadAutomationFile(options.automationPath, params, settings.sampleRate, settings.automation, error))
    return Fail(console, kExitBadCommand, error);

  TemporaryFile temporary(target + ".partial");
  std::unique_ptr<SoundSink> sink =
    CreateSoundSink(temporary.Path(), outputKind, settings.sampleRate, source->Encoding(), error);
  if (!sink)
    return Fail(console, kExitFailed, "cannot write " + options.outputPath + ": " + error);

  RenderStats stats;
  ProgressBar progress(console.err, WantsProgress(console.stderrIsTerminal, source->Frames(), settings.sampleRate),
                       source->Frames());
  const RenderOutcome outcome =
    RenderStream(*host, *source, *sink, settings, stats, progress, console.cancel, error);
  progress.Finish();
  if (outcome == RenderOutcome::Cancelled)
  {
    console.err << kPrefix << "interrupted; " << options.outputPath << " was not written\n";
    return kExitInterrupted;
  }
  if (outcome == RenderOutcome::Failed)
    return Fail(console, kExitFailed, error + "; " + options.outputPath + " was not written");
  const std::string written = sink->Description();
  if (!sink->Close())
    return Fail(console, kExitFailed, "cannot write " + options.outputPath + ": the data did not reach the disk");
  sink.reset();
  source.reset();
  if (!MoveFileOver(temporary.Path(), target, error))
    return Fail(console, kExitFailed, "cannot write " + options.outputPath + ": " + error);
  temporary.Keep();

  console.err << kPrefix << "wrote " << options.outputPath << " (" << written << "): " << FormatSummary(stats) << "\n";
  return kExitDone;
}
