// The brindle.lv2 DSP module's plug-in: one Brindle on the LV2 wrapper per host instance.
#include <cstring>

#include "Brindle.h"
#include "framework/lv2/BrindleLv2Module.h"
#include "framework/lv2/Lv2Entry.h"

const char* const kBrindlePortSymbols[] = {"output_gain", "mid_gain",     "side_gain",    "delay_amount",
                                           "width",       "panning",      "channel_selector", "invert_left",
                                           "invert_right", "swap",        "mono_test",    "bypass"};
const size_t kBrindlePortSymbolCount = sizeof(kBrindlePortSymbols) / sizeof(kBrindlePortSymbols[0]);
const char* const kBrindleLampSymbol = "mono_input";

static_assert(sizeof(kBrindlePortSymbols) / sizeof(kBrindlePortSymbols[0]) == Brindle::kParamCount,
              "one port symbol per parameter");

namespace {

class BrindleLv2 final : public Brindle {
public:
  using Brindle::Brindle;
  double LampLevel() const override { return MonoLampLevel(); }
};

}  // namespace

IEffectLV2* CreateModuleEffect(const LV2_Feature* const* features) { return new BrindleLv2(features); }

const void* ModuleExtensionData(const char* uri)
{
  static const BrindleMeterAccess meterAccess = {[](void* instance) -> MeterTap* {
    auto* plug = dynamic_cast<BrindleLv2*>(static_cast<IEffectLV2*>(instance));
    return plug ? &plug->Meters() : nullptr;
  }};
  return std::strcmp(uri, BRINDLE_METER_ACCESS_URI) == 0 ? &meterAccess : nullptr;
}
