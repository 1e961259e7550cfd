// Codes of the host applications that need special treatment, found from the product name.
#include "framework/HostKind.h"

#include <cstring>

namespace {

struct HostName {
  const char* text;
  HostKind code;
};

// Order matters: earlier texts win when a name contains several.
const HostName kHostNames[] = {
  {"cubase", kHostCubase},
  {"reaper", kHostReaper},
  {"nuendo", kHostNuendo},
  {"cakewalk", kHostCakewalk},
  {"samplitude", kHostSamplitude},
  {"fruity", kHostFruity},
  {"live", kHostLive},
  {"melodyne", kHostMelodyne},
  {"vstmanlib", kHostVstManLib},
  {"aulab", kHostAuLab},
  {"garageband", kHostGarageBand},
  {"forte", kHostForte},
  {"chainer", kHostChainer},
  {"audition", kHostAudition},
  {"orion", kHostOrion},
  {"sawstudio", kHostSawStudio},
  {"logic", kHostLogic},
  {"digital", kHostDigital},
  {"audiomulch", kHostAudioMulch},
  {"presonus", kHostPresonus},
  {"vst3plugintesthost", kHostVst3TestHost},
  {"protools", kHostProTools},
  {"ardour", kHostArdour},
  {"openmpt", kHostOpenMpt},
  {"renoise", kHostRenoise},
  {"standalone", kHostStandalone},
};

} // namespace

HostKind LookupHostKind(const char* productName)
{
  if (!productName) return kHostUnknown;
  char lower[256];
  int n = 0;
  for (; n < 255 && productName[n] != '\0'; ++n) {
    const char c = productName[n];
    lower[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  lower[n] = '\0';
  for (const HostName& host : kHostNames)
    if (std::strstr(lower, host.text)) return host.code;
  return kHostUnknown;
}

int32_t PackHostVersion(int32_t vendorVersion)
{
  if (vendorVersion < 0) return 0;
  const uint32_t major = static_cast<uint32_t>(vendorVersion / 10000);
  const uint32_t minor = static_cast<uint32_t>((vendorVersion % 10000) / 100);
  const uint32_t patch = static_cast<uint32_t>(vendorVersion % 100);
  return static_cast<int32_t>((major << 16) | (minor << 8) | patch);
}
