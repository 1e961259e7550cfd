// Base of every editor control: a normalized value tied to one parameter of the plug-in.
#pragma once

class IEffectBase;

class IControl {
public:
  IControl(IEffectBase* plug, int paramIndex = -1);
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // A value from the plug-in: the first one also becomes the default; a change
  // marks the control dirty without sending the value back to the plug-in.
  virtual void UpdateFromPlug(double value);
  // Limits the value to [minValue, maxValue] and marks the control for drawing;
  // with pushToPlug the plug-in's parameter follows the value.
  virtual void MarkDirty(bool pushToPlug);
  virtual void MarkClean();
  virtual bool NeedsRedraw() const { return dirty; }

  int ParamIdx() const { return paramIndex; }
  double Value() const { return value; }
  double DefaultValue() const { return defaultValue; }
  IEffectBase* GetPlug() const { return plug; }

protected:
  IEffectBase* plug;
  int paramIndex;
  double value = 0.0;
  double defaultValue = -1.0;  // negative: not known yet
  double minValue = 0.0;
  double maxValue = 1.0;
  bool dirty = true;
  bool redrawRequested = false;
};
