// The plug-in that brindle-render carries: Brindle on the offline wrapper.
#include "Brindle.h"
#include "InProcessHost.h"

std::unique_ptr<IEffectOffline> CreateOfflinePlugin()
{
  return std::make_unique<Brindle>(nullptr);
}
