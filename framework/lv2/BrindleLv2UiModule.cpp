// The brindle.lv2 editor module's plug-in: one Brindle on the editor-side wrapper per editor.
#include "Brindle.h"
#include "framework/lv2/BrindleLv2Module.h"
#include "framework/lv2/Lv2UiEntry.h"

namespace {

class BrindleLv2Ui final : public Brindle {
public:
  explicit BrindleLv2Ui(const Lv2UiHost* host) : Brindle(host)
  {
    // In the DSP's process the meters show what the DSP instance measures; elsewhere
    // nothing carries them and they stay at rest.
    const auto* access = static_cast<const BrindleMeterAccess*>(DspExtensionData(BRINDLE_METER_ACCESS_URI));
    MeterTap* meters = access && access->meters && DspInstance() ? access->meters(DspInstance()) : nullptr;
    if (meters) FollowMeters(*meters);
  }
  void ShowLampLevel(double level) override { ShowMonoLamp(level); }
};

}  // namespace

IEffectLV2Ui* CreateModuleUi(const Lv2UiHost* host) { return new BrindleLv2Ui(host); }
