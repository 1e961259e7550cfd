// State and presets of the plug-in base: parameter values and preset banks in chunks.
// Every operation takes the (recursive) plug-in mutex, so wrappers may call them either way.
#include "framework/IEffectBase.h"

#include "framework/TextBuffer.h"

#include <cstdio>

bool IEffectBase::SaveState(StateChunk& chunk)
{
  return SerializeParams(chunk);
}

int32_t IEffectBase::LoadState(const StateChunk& chunk, int32_t position)
{
  return UnserializeParams(chunk, position);
}

bool IEffectBase::SerializeParams(StateChunk& chunk)
{
  PluginLock lock(mutex);
  for (const IParam& param : params)
    if (!chunk.PutDouble(param.Value()) || chunk.Size() == 0) return false;
  return true;
}

int32_t IEffectBase::UnserializeParams(const StateChunk& chunk, int32_t position)
{
  PluginLock lock(mutex);
  for (size_t i = 0; i < params.size() && position >= 0; ++i) {
    double value = 0.0;
    position = chunk.GetDouble(&value, position);
    if (position < 0) value = 0.0;
    // SetClamped ignores NaN: that parameter keeps its value and reading goes on.
    params[i].SetClamped(value);
  }
  NotifyAllParamsChanged();
  return position;
}

bool IEffectBase::SerializePresets(StateChunk& chunk)
{
  PluginLock lock(mutex);
  for (const PresetSlot& slot : presets) {
    if (!chunk.PutText(slot.name) || !chunk.PutBool(slot.initialized)) return false;
    if (slot.initialized && !chunk.PutChunk(slot.state)) return false;
    if (chunk.Size() == 0) return false;
  }
  return true;
}

int32_t IEffectBase::UnserializePresets(const StateChunk& chunk, int32_t position)
{
  PluginLock lock(mutex);
  for (PresetSlot& slot : presets) {
    if (position < 0) break;
    // Cut to the slot's buffer; an empty or unreadable name leaves it empty.
    slot.name[0] = '\0';
    position = chunk.GetText(slot.name, PresetSlot::kNameSize, position);
    position = chunk.GetBool(&slot.initialized, position);
    if (slot.initialized) {
      position = LoadState(chunk, position);
      if (position > 0) {
        slot.state.Clear();
        SaveState(slot.state);
      }
    }
  }
  SelectPreset(currentPreset);
  return position;
}

bool IEffectBase::SelectPreset(int index)
{
  PluginLock lock(mutex);
  if (index < 0 || index >= PresetCount()) return false;
  PresetSlot& slot = presets[static_cast<size_t>(index)];
  bool success;
  if (slot.initialized) {
    success = LoadState(slot.state, 0) > 0;
  } else {
    slot.initialized = true;
    int userPresets = 0;
    for (const PresetSlot& other : presets)
      if (ContainsText(other.name, "user preset")) ++userPresets;
    std::snprintf(slot.name, PresetSlot::kNameSize, "%s %d", "user preset", userPresets + 1);
    // Start from an empty chunk: an earlier ModifyCurrentPreset may have left bytes in it.
    slot.state.Clear();
    success = SaveState(slot.state);
  }
  if (success) {
    currentPreset = index;
    OnPresetsChanged();
    RefreshEditorParams();
  }
  return success;
}

const char* IEffectBase::PresetName(int index) const
{
  const PresetSlot* slot = GetPreset(index);
  return slot ? slot->name : "";
}

const PresetSlot* IEffectBase::GetPreset(int index) const
{
  if (index < 0 || index >= PresetCount()) return nullptr;
  return &presets[static_cast<size_t>(index)];
}

void IEffectBase::ModifyCurrentPreset(const char* name)
{
  PluginLock lock(mutex);
  if (currentPreset < 0 || currentPreset >= PresetCount()) return;
  PresetSlot& slot = presets[static_cast<size_t>(currentPreset)];
  slot.state.Clear();
  SaveState(slot.state);
  if (name && name[0] != '\0') CopyText(slot.name, PresetSlot::kNameSize, name);
}

void IEffectBase::FillUnsetPresets(int count)
{
  PluginLock lock(mutex);
  for (int n = 0; n < count; ++n) {
    PresetSlot* unset = nullptr;
    for (PresetSlot& slot : presets) {
      if (!slot.initialized) {
        unset = &slot;
        break;
      }
    }
    if (!unset) return;
    unset->initialized = true;
    CopyText(unset->name, PresetSlot::kNameSize, "Empty");
    unset->state.Clear();
    SaveState(unset->state);
  }
}
