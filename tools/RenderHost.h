// The one interface through which brindle-render drives a plug-in, so that the
// in-process host and later module hosts are interchangeable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RenderParamInfo
{
  struct DisplayText
  {
    double value = 0.0;
    std::string text;
  };

  std::string name;
  double minValue = 0.0;
  double maxValue = 1.0;
  double defaultValue = 0.0;
  double step = 1.0;
  int precision = 0;
  bool isDouble = true;  // false for switches and selectors: integer values only
  double shape = 1.0;    // normalized = ((plain - min) / (max - min)) ^ (1 / shape)
  std::string unit;
  std::vector<DisplayText> displayTexts;
};

enum class RenderPrecision
{
  Single,
  Double
};

// Call order: Create, Configure, LoadParams, [ScheduleParamChange...] Process... , Release.
// Every operation reports failure by returning false.
class RenderHost
{
public:
  virtual ~RenderHost() = default;

  virtual bool Create() = 0;
  virtual bool DescribeParams(std::vector<RenderParamInfo>& params) = 0;
  // Sample rate, largest block and the precision of every later Process call,
  // followed by a reset of the plug-in.
  virtual bool Configure(double sampleRate, int blockSize, RenderPrecision precision) = 0;
  // All plain values at once, loaded the way a saved state is loaded.
  virtual bool LoadParams(const std::vector<double>& plainValues) = 0;
  // Two channels each way; frames never exceeds the configured block size.
  // The double-precision inputs may be overwritten, as hosts allow.
  virtual bool ProcessDouble(double* const* inputs, double* const* outputs, int frames) = 0;
  virtual bool ProcessSingle(const float* const* inputs, float* const* outputs, int frames) = 0;
  // A change of one parameter (plain units) at frame sampleOffset of the next
  // Process call. A host whose interface has no place for it inside a block
  // applies it before the block.
  virtual bool ScheduleParamChange(int index, double plainValue, int sampleOffset) = 0;
  // The plug-in's saved state as this host's interface carries it, and loading such
  // bytes back; false from hosts that do not keep state.
  virtual bool SaveState(std::vector<uint8_t>&) { return false; }
  virtual bool LoadState(const std::vector<uint8_t>&) { return false; }
  virtual void Release() = 0;
  // What went wrong in the last failed operation, when the host knows more than
  // that it failed; empty otherwise.
  virtual std::string Failure() const { return std::string(); }
};
