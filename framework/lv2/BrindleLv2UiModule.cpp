// The brindle.lv2 editor module's plug-in: one Brindle on the editor-side wrapper per editor.
#include "Brindle.h"
#include "framework/lv2/Lv2UiEntry.h"

namespace {

class BrindleLv2Ui final : public Brindle {
public:
  using Brindle::Brindle;
  void ShowLampLevel(double level) override { ShowMonoLamp(level); }
};

}  // namespace

IEffectLV2Ui* CreateModuleUi(const Lv2UiHost* host) { return new BrindleLv2Ui(host); }
