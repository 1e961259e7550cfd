// The render loop of brindle-render: configure the plug-in, load its parameters,
// then run a source through it block by block into a sink.
#pragma once

#include "Automation.h"
#include "RenderHost.h"
#include "RenderReport.h"
#include "SoundIo.h"

#include <csignal>
#include <string>
#include <vector>

struct RenderSettings
{
  double sampleRate = 48000.0;
  int blockSize = 512;
  RenderPrecision precision = RenderPrecision::Double;
  std::vector<double> paramValues;
  std::vector<AutomationPoint> automation;  // ordered by frame
};

enum class RenderOutcome
{
  Done,
  Failed,
  Cancelled
};

// host must be created; the caller releases it. Mono sources are fed to both
// inputs; sources of more than two channels fail. cancel may be null.
RenderOutcome RenderStream(RenderHost& host, SoundSource& source, SoundSink& sink, const RenderSettings& settings,
                           RenderStats& stats, ProgressBar& progress, const volatile std::sig_atomic_t* cancel,
                           std::string& error);
