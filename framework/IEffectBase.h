// Base class of every plug-in: identity, parameters, presets, channel records and
// processing frame, editor ownership and the mutex that serializes the host's threads.
#pragma once

#include "framework/BypassDelayLine.h"
#include "framework/Channels.h"
#include "framework/HostKind.h"
#include "framework/IOConfig.h"
#include "framework/IParam.h"
#include "framework/PluginMutex.h"
#include "framework/PresetSlot.h"
#include "framework/StateChunk.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IGraphics;

// Every index that comes from outside (host, editor, caller) is checked: an index
// outside its list is ignored, or answered with false, 0, null or the empty text.
class IEffectBase {
public:
  static constexpr int kNameSize = 128;
  static constexpr int kMaxBlockSize = 1 << 17;

  IEffectBase(void* hostContext, int paramCount, const char* channelIOText, int presetCount,
              const char* effectName, const char* productName, const char* makerName,
              int32_t version, int32_t uniqueId, int32_t makerId, int32_t latency = 0,
              bool stateChunks = false, bool isInstrument = false, bool doesMidi = false);
  virtual ~IEffectBase();
  IEffectBase(const IEffectBase&) = delete;
  IEffectBase& operator=(const IEffectBase&) = delete;

  // ---- Plug-in hooks (defaults may be overridden by the plug-in) ----
  virtual void OnReset() {}
  virtual void OnParamChanged(int /*index*/) {}
  virtual void ProcessDouble(double** inputs, double** outputs, int frames);
  virtual void OnEditorOpened() {}
  virtual void OnEditorClosing() {}
  virtual void OnActivated(bool /*active*/) {}
  virtual void OnMidiMessage(const MidiMessage* message);
  virtual void OnSysEx(const SysExMessage* /*message*/) {}
  // text holds at least kNameSize bytes.
  virtual bool MidiKeyLabel(int note, char* text);
  virtual bool SaveState(StateChunk& chunk);
  virtual int32_t LoadState(const StateChunk& chunk, int32_t position);
  virtual bool StateEquals(const double* values, int startIndex) const;
  virtual void OnEditorResized() {}
  virtual void OnHostKnown() {}
  virtual void ShowHostContextMenu(int /*index*/, int /*x*/, int /*y*/) {}
  virtual void SetParamFromEditor(int index, double normalized);
  // How long the output can go on after the input falls silent, in samples, for
  // hosts that ask as settings change (CLAP); the fixed TailSize() unless the plug-in
  // works it out from its settings. INT32_MAX or more means for ever.
  virtual int CurrentTailSamples() { return TailSize(); }
  // The parameter that bypasses the plug-in, for formats that mark it; -1 for none.
  virtual int BypassParamIndex() const { return -1; }

  // ---- Host side, implemented by the wrapper ----
  virtual void BeginParamEdit(int index) = 0;
  virtual void NotifyParamEdit(int index, double normalized) = 0;
  virtual void EndParamEdit(int index) = 0;
  virtual void NotifyProgramChange() = 0;
  virtual bool IsOfflineRender() { return false; }
  virtual double TransportSamplePos() = 0;
  virtual double TransportTempo() = 0;
  virtual void TransportTimeSig(int* numerator, int* denominator) = 0;
  virtual void ReadTransport(TransportInfo* info) = 0;
  virtual HostKind HostId() { return hostId; }
  virtual int PluginFormat() const { return pluginFormat; }
  virtual void ResizeEditorFrame(int width, int height) = 0;
  virtual void PrepareForHost() {}
  // Takes ownership of editor (a null editor is ignored; a new one replaces and
  // deletes the old one), pushes every parameter into its controls and makes its surfaces.
  virtual void AttachEditor(IGraphics* editor);
  // A negative latency is ignored.
  virtual void ChangeLatency(int samples);
  virtual bool SendMidiMessage(const MidiMessage* message) = 0;
  virtual bool SendSysExMessage(const SysExMessage* /*message*/) { return false; }
  virtual void RefreshEditorParams();
  virtual void OnPresetsChanged() {}
  // Resizes every scratch buffer to frames zeroed samples; a negative size is
  // ignored and a larger one than kMaxBlockSize is limited to it (longer host
  // blocks are then processed in pieces).
  virtual void ChangeBlockSize(int frames);

  // ---- Identity and settings ----
  const char* EffectName() const { return effectName; }
  const char* ProductName() const { return productName; }
  const char* MakerName() const { return makerName; }
  int32_t UniqueId() const { return uniqueId; }
  int32_t MakerId() const { return makerId; }
  int32_t Version() const { return version; }
  int32_t HostVersion() const { return hostVersion; }
  bool HasStateChunks() const { return stateChunks; }
  bool IsInstrument() const { return isInstrument; }
  bool DoesMidi() const { return doesMidi; }
  double SampleRate() const { return sampleRate; }
  // Non-finite or non-positive rates are ignored.
  void SetSampleRate(double rate);
  int BlockSize() const { return blockSize; }
  int Latency() const { return latency; }
  int TailSize() const { return tailSize; }
  void SetTailSize(int samples) { tailSize = samples < 0 ? 0 : samples; }
  IGraphics* Editor() const { return editor; }
  void* HostContext() const { return hostContext; }
  PluginMutex& Mutex() { return mutex; }

  // ---- Parameters ----
  int ParamCount() const { return static_cast<int>(params.size()); }
  IParam* GetParam(int index);
  const IParam* GetParam(int index) const;
  void NotifyAllParamsChanged();
  // Host parameter change, under the mutex: the editor first, then the value, then
  // OnParamChanged. NaN is ignored; other values are limited to [0, 1].
  void SetParamFromHost(int index, double normalized);
  // The normalized value under the mutex; 0 for an index outside the list.
  double GetParamNormalized(int index);

  // ---- Channels ----
  bool LegalIO(int inputs, int outputs) const;
  int IOConfigCount() const { return static_cast<int>(ioConfigs.size()); }
  const IOConfig* GetIOConfig(int index) const;
  int InputCount() const { return static_cast<int>(inputs.size()); }
  int OutputCount() const { return static_cast<int>(outputs.size()); }
  bool IsInputConnected(int index) const;
  bool IsOutputConnected(int index) const;
  bool AllChannelsConnected() const;
  InputChannel* GetInput(int index);
  OutputChannel* GetOutput(int index);
  void SetInputConnections(int first, int count, bool connected);
  void SetOutputConnections(int first, int count, bool connected);
  void RestrictToStereo();
  double** InputData() { return inputData.data(); }
  double** OutputData() { return outputData.data(); }
  // True inside the process calls below, which flush denormals for the whole call: a
  // ProcessDouble run from them need not guard again.
  bool FlushingDenormals() const { return flushingDenormals; }

  // ---- Processing frame ----
  // Bind and run at most BlockSize() frames (scratch buffers hold no more); the
  // whole-call entry points below split longer blocks. count is the number of
  // host buffers; a connected channel without one (or with a null one) reads
  // silence and writes into its scratch.
  void BindInputs(int count, const float* const* buffers, int frames);
  void BindInputs(int count, double* const* buffers, int frames);
  void BindOutputs(int count, float* const* buffers);
  void BindOutputs(int count, double* const* buffers);
  void RunBlock(int frames);
  void RunBlockAccumulating(int frames);
  void PassThrough(double** inputs, double** outputs, int frames);

  // Whole process calls for the wrappers: hold the mutex, flush denormals, bind
  // and run in pieces of at most BlockSize() frames. While the block size is 0
  // there is no scratch to run in: the replacing forms write silence, the
  // accumulating form leaves the host's outputs unchanged, and the plug-in's
  // ProcessDouble is not called.
  void ProcessFloatReplacing(int inputCount, const float* const* inputs, int outputCount,
                             float* const* outputs, int frames);
  void ProcessFloatAccumulating(int inputCount, const float* const* inputs, int outputCount,
                                float* const* outputs, int frames);
  void ProcessDoubleReplacing(int inputCount, double* const* inputs, int outputCount,
                              double* const* outputs, int frames);

  // ---- Bypass (used by the VST 3 wrapper only) ----
  bool IsBypassed() const { return bypassed; }
  void SetBypassed(bool bypass) { bypassed = bypass; }
  const BypassDelayLine* GetBypassDelay() const { return bypassDelay.get(); }
  std::vector<std::string>& InputBusLabels() { return inputBusLabels; }
  std::vector<std::string>& OutputBusLabels() { return outputBusLabels; }

  // ---- State and presets ----
  bool SerializeParams(StateChunk& chunk);
  int32_t UnserializeParams(const StateChunk& chunk, int32_t position);
  bool SerializePresets(StateChunk& chunk);
  int32_t UnserializePresets(const StateChunk& chunk, int32_t position);
  bool SelectPreset(int index);
  // The slot's name, or the empty text for an index outside the slots.
  const char* PresetName(int index) const;
  // A name longer than a slot holds is cut; a null or empty name keeps the old one.
  void ModifyCurrentPreset(const char* name = nullptr);
  void FillUnsetPresets(int count);
  int PresetCount() const { return static_cast<int>(presets.size()); }
  const PresetSlot* GetPreset(int index) const;
  int CurrentPreset() const { return currentPreset; }

protected:
  // The replacing process calls for a wrapper that holds the mutex for the whole host
  // call already, so that a block takes it once.
  void ProcessFloatReplacingLocked(int inputCount, const float* const* inputs, int outputCount,
                                   float* const* outputs, int frames);
  void ProcessDoubleReplacingLocked(int inputCount, double* const* inputs, int outputCount,
                                    double* const* outputs, int frames);
  // 0 in the VST 2 build, 1 in the VST 3 build: the library is shared by both.
  void SetPluginFormat(int format) { pluginFormat = format; }
  // Records the host once; later calls change nothing. Returns whether it was recorded.
  bool SetHostIdentity(HostKind id, int32_t packedVersion);
  // Creates the bypass delay line for the channel counts (when there is an input).
  void CreateBypassDelay();
  // A block while the host bypasses the plug-in: the input passed through (delayed by
  // the latency, when there is one). Plug-ins that watch their audio (meters) wrap it.
  virtual void ProcessBypassed(double** inputBuffers, double** outputBuffers, int frames);

  void* hostContext;
  HostKind hostId = kHostNotIdentified;
  int32_t hostVersion = 0;
  int32_t currentPreset = 0;
  bool bypassed = false;

private:
  bool flushingDenormals = false;
  enum class BlockMode { Replace, Accumulate };
  void ConvertOutputs(int frames, BlockMode mode);
  void RunPlugin(int frames);
  void ProcessFloat(int inputCount, const float* const* inputs, int outputCount, float* const* outputs,
                    int frames, BlockMode mode);
  void RunFloat(int inputCount, const float* const* inputs, int outputCount, float* const* outputs, int frames,
                BlockMode mode);
  void BindInputsAt(int count, const float* const* buffers, int offset, int frames);
  void BindInputsAt(int count, double* const* buffers, int offset, int frames);
  void BindOutputsAt(int count, float* const* buffers, int offset);
  void BindOutputsAt(int count, double* const* buffers, int offset);
  int LimitFrames(int frames) const;

  PluginMutex mutex;
  std::vector<IOConfig> ioConfigs;
  char effectName[kNameSize] = {};
  char productName[kNameSize] = {};
  char makerName[kNameSize] = {};
  int32_t uniqueId;
  int32_t makerId;
  int32_t version;
  int32_t pluginFormat = 0;
  bool stateChunks;
  bool isInstrument;
  bool doesMidi;
  double sampleRate = 44100.0;
  int32_t blockSize = 0;
  int32_t latency;
  int32_t tailSize = 0;
  IGraphics* editor = nullptr;
  std::vector<IParam> params;
  std::vector<PresetSlot> presets;
  std::vector<double*> inputData;
  std::vector<double*> outputData;
  std::vector<InputChannel> inputs;
  std::vector<OutputChannel> outputs;
  std::vector<std::string> inputBusLabels;
  std::vector<std::string> outputBusLabels;
  std::unique_ptr<BypassDelayLine> bypassDelay;
};
