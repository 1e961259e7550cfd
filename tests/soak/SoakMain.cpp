// The soak: hours of use compressed into minutes. The same random input, the same random
// automation of every parameter, the same random block sizes and a state round trip every
// few seconds go to three hosts at once: the plug-in in-process, the brindle2 module and
// the brindle3 bundle. It fails on a non-finite sample, a state that does not read back as
// saved or differs between the hosts, an allocation inside a process call, or renders
// that are not equal bit for bit.
// Usage: brindle_soak [minutes of audio, default 60] [seed]
#include "AllocationCounter.h"
#include "InProcessHost.h"
#include "ModuleHost.h"
#include "ParamValues.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 4096;
constexpr int kHosts = 3;
const char* const kHostNames[kHosts] = {"in-process", "brindle2", "brindle3"};

struct Tally
{
  long long blocks = 0;
  long long changes = 0;
  long long roundTrips = 0;
  long long nonFinite = 0;
  long long mismatchedBlocks = 0;
  long long firstMismatchFrame = -1;
  long long allocations = 0;
  long long driftedStates = 0;
  long long failures = 0;
};

// A value whose 0 to 1 position is a multiple of 1/64 (whole numbers for switches and
// selectors): exact in the single precision of the VST 2 interface, so all three hosts
// hand the plug-in the same number.
double GridValue(const RenderParamInfo& param, std::mt19937& random)
{
  if (!param.isDouble)
  {
    const int steps = static_cast<int>(param.maxValue - param.minValue);
    return param.minValue + std::uniform_int_distribution<int>(0, steps)(random);
  }
  return param.minValue + (param.maxValue - param.minValue) * std::uniform_int_distribution<int>(0, 64)(random) / 64.0;
}

// Block sizes as hosts use them: mostly powers of two up to the maximum, sometimes odd
// sizes, sometimes a single frame.
int BlockSize(std::mt19937& random)
{
  const int pick = std::uniform_int_distribution<int>(0, 9)(random);
  if (pick < 5)
    return 1 << std::uniform_int_distribution<int>(5, 12)(random);
  if (pick < 9)
    return std::uniform_int_distribution<int>(1, kMaxBlock)(random);
  return 1;
}

// The parameter values as their doubles: the program chunk after its 8-byte header, the
// in-process state as it is, the VST 3 stream without its bypass word.
std::vector<uint8_t> ParamBytes(int host, const std::vector<uint8_t>& state, size_t params)
{
  const size_t offset = host == 1 ? 8 : 0;
  if (state.size() < offset + params * 8)
    return {};
  return std::vector<uint8_t>(state.begin() + static_cast<long>(offset),
                              state.begin() + static_cast<long>(offset + params * 8));
}
// The first drift in detail: which values differ, as doubles.
void ReportDrift(const char* host, long long frame, const std::vector<uint8_t>& saved,
                 const std::vector<uint8_t>& again, const std::vector<uint8_t>& values,
                 const std::vector<uint8_t>& reference)
{
  std::fprintf(stderr, "soak: %s state drifted at frame %lld:", host, frame);
  if (again != saved)
    std::fprintf(stderr, " loading it back saved different bytes;");
  for (size_t i = 0; i + 8 <= values.size() && i + 8 <= reference.size(); i += 8)
  {
    double value, expected;
    std::memcpy(&value, &values[i], 8);
    std::memcpy(&expected, &reference[i], 8);
    if (std::memcmp(&value, &expected, 8) != 0)
      std::fprintf(stderr, " parameter %zu is %.17g, in-process %.17g;", i / 8, value, expected);
  }
  std::fprintf(stderr, "\n");
}
}  // namespace

int main(int argc, char** argv)
{
  const double minutes = argc > 1 ? std::atof(argv[1]) : 60.0;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 20261208u;
  if (!(minutes > 0.0))
  {
    std::fprintf(stderr, "usage: brindle_soak [minutes of audio] [seed]\n");
    return 2;
  }
  const std::vector<RenderParamInfo> own = OwnParamTable();
  std::unique_ptr<RenderHost> hosts[kHosts] = {std::make_unique<InProcessHost>(),
                                               CreateModuleHost(BRINDLE2_MODULE, own),
                                               CreateModuleHost(BRINDLE3_BUNDLE, own)};
  std::vector<RenderParamInfo> params;
  for (int h = 0; h < kHosts; ++h)
  {
    std::vector<RenderParamInfo> described;
    if (!hosts[h]->Create() || !hosts[h]->DescribeParams(described) ||
        !hosts[h]->Configure(kRate, kMaxBlock, RenderPrecision::Double))
    {
      std::fprintf(stderr, "soak: %s could not be set up: %s\n", kHostNames[h], hosts[h]->Failure().c_str());
      return 1;
    }
    if (h == 0)
      params = described;
    std::vector<double> defaults;
    for (const RenderParamInfo& param : params)
      defaults.push_back(param.defaultValue);
    if (described.size() != params.size() || !hosts[h]->LoadParams(defaults))
    {
      std::fprintf(stderr, "soak: %s did not take the defaults: %s\n", kHostNames[h], hosts[h]->Failure().c_str());
      return 1;
    }
  }

  std::mt19937 random(seed);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  std::vector<double> inLeft(kMaxBlock), inRight(kMaxBlock);
  std::vector<double> outLeft[kHosts], outRight[kHosts];
  for (int h = 0; h < kHosts; ++h)
  {
    outLeft[h].assign(kMaxBlock, 0.0);
    outRight[h].assign(kMaxBlock, 0.0);
  }
  std::vector<uint8_t> saved[kHosts], again;
  again.reserve(4096);

  const long long totalFrames = static_cast<long long>(minutes * 60.0 * kRate);
  long long nextRoundTrip = static_cast<long long>(kRate * 3);
  double phase = 0.0;
  Tally tally;
  const auto started = std::chrono::steady_clock::now();
  for (long long frame = 0; frame < totalFrames;)
  {
    const int frames = static_cast<int>(std::min<long long>(BlockSize(random), totalFrames - frame));
    // Tones with noise; every fourth second both channels carry the same (the mono lamp).
    const bool mono = (frame / static_cast<long long>(kRate)) % 4 == 3;
    for (int i = 0; i < frames; ++i)
    {
      phase += 2.0 * 3.14159265358979323846 * 440.0 / kRate;
      inLeft[size_t(i)] = 0.4 * std::sin(phase) + 0.05 * noise(random);
      inRight[size_t(i)] = mono ? inLeft[size_t(i)] : 0.3 * std::cos(phase * 1.5) + 0.05 * noise(random);
    }
    // Now and then a handful of parameters move, at random frames inside the block, in
    // the order of their frames, each at most once per block (as brindle-render sends them).
    int offset = 0;
    uint32_t moved = 0;
    for (int n = std::uniform_int_distribution<int>(-6, 3)(random); n > 0; --n)
    {
      const int index = std::uniform_int_distribution<int>(0, static_cast<int>(params.size()) - 1)(random);
      if (moved & (1u << index))
        continue;
      moved |= 1u << index;
      const double value = GridValue(params[size_t(index)], random);
      offset = std::uniform_int_distribution<int>(offset, frames - 1)(random);
      for (int h = 0; h < kHosts; ++h)
        tally.failures += !hosts[h]->ScheduleParamChange(index, value, offset);
      ++tally.changes;
    }
    for (int h = 0; h < kHosts; ++h)
    {
      // Hosts may scribble on double inputs; each gets its own copy.
      std::vector<double>& left = outLeft[h];
      std::vector<double>& right = outRight[h];
      std::memcpy(left.data(), inLeft.data(), size_t(frames) * sizeof(double));
      std::memcpy(right.data(), inRight.data(), size_t(frames) * sizeof(double));
      double* inputs[2] = {left.data(), right.data()};
      double* outputs[2] = {left.data(), right.data()};
      CountAllocations(true);
      tally.failures += !hosts[h]->ProcessDouble(inputs, outputs, frames);
      const long allocations = CountAllocations(false);
      // The first block of each host may set itself up.
      if (tally.blocks > 0)
        tally.allocations += allocations;
      for (int i = 0; i < frames; ++i)
        tally.nonFinite += !std::isfinite(left[size_t(i)]) + !std::isfinite(right[size_t(i)]);
    }
    for (int h = 1; h < kHosts; ++h)
    {
      if (std::memcmp(outLeft[0].data(), outLeft[h].data(), size_t(frames) * sizeof(double)) != 0 ||
          std::memcmp(outRight[0].data(), outRight[h].data(), size_t(frames) * sizeof(double)) != 0)
      {
        ++tally.mismatchedBlocks;
        if (tally.firstMismatchFrame < 0)
        {
          tally.firstMismatchFrame = frame;
          int at = 0;
          while (at < frames && outLeft[0][size_t(at)] == outLeft[h][size_t(at)] &&
                 outRight[0][size_t(at)] == outRight[h][size_t(at)])
            ++at;
          std::fprintf(stderr, "soak: %s differs from in-process at frame %lld (block of %d from %lld): %.17g %.17g "
                       "against %.17g %.17g\n", kHostNames[h], frame + at, frames, frame, outLeft[h][size_t(at)],
                       outRight[h][size_t(at)], outLeft[0][size_t(at)], outRight[0][size_t(at)]);
        }
      }
    }
    frame += frames;
    ++tally.blocks;

    if (frame >= nextRoundTrip)
    {
      // Save, load back, save again: the same bytes, and the same values in every host.
      for (int h = 0; h < kHosts; ++h)
      {
        if (!hosts[h]->SaveState(saved[h]) || !hosts[h]->LoadState(saved[h]) || !hosts[h]->SaveState(again))
          ++tally.failures;
        else if (again != saved[h] || ParamBytes(h, saved[h], params.size()) != ParamBytes(0, saved[0], params.size()))
        {
          if (tally.driftedStates++ == 0)
            ReportDrift(kHostNames[h], frame, saved[h], again, ParamBytes(h, saved[h], params.size()),
                        ParamBytes(0, saved[0], params.size()));
        }
      }
      ++tally.roundTrips;
      nextRoundTrip = frame + static_cast<long long>(kRate * std::uniform_real_distribution<double>(2.0, 5.0)(random));
    }
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  for (auto& host : hosts)
    host->Release();

  const double audioSeconds = static_cast<double>(totalFrames) / kRate;
  std::printf("soak: %.0f s of audio at 48 kHz through %d hosts in %.1f s (%.1f times real time per host)\n",
              audioSeconds, kHosts, wall, audioSeconds * kHosts / wall);
  std::printf("soak: %lld blocks, %lld automated changes, %lld state round trips\n", tally.blocks, tally.changes,
              tally.roundTrips);
  std::printf("soak: non-finite samples %lld, mismatched blocks %lld (first at frame %lld), allocations while "
              "processing %lld, drifted states %lld, refused calls %lld\n",
              tally.nonFinite, tally.mismatchedBlocks, tally.firstMismatchFrame, tally.allocations,
              tally.driftedStates, tally.failures);
  const bool clean = tally.nonFinite == 0 && tally.mismatchedBlocks == 0 && tally.allocations == 0 &&
                     tally.driftedStates == 0 && tally.failures == 0;
  std::printf("soak: %s\n", clean ? "passed" : "FAILED");
  return clean ? 0 : 1;
}
