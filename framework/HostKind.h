// Codes of the host applications that need special treatment, found from the product name.
#pragma once

#include <cstdint>

// -1: not yet identified; 0: an unknown host.
using HostKind = int32_t;

enum HostCode : HostKind {
  kHostNotIdentified = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostCakewalk = 5,
  kHostFruity = 7,
  kHostSamplitude = 8,
  kHostLive = 9,
  kHostMelodyne = 12,
  kHostVstManLib = 13,
  kHostAuLab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSawStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigital = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostPresonus = 26,
  kHostVst3TestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMpt = 30,
};

// Case-insensitive (A-Z only) substring search of a fixed list, first match wins.
HostKind LookupHostKind(const char* productName);

// A decimal vendor version major*10000 + minor*100 + patch, packed as
// major << 16 | minor << 8 | patch. A negative version packs to 0.
int32_t PackHostVersion(int32_t vendorVersion);
