// Choice between the module hosts, and the pieces they share.
#include "ModuleHost.h"

#include "ClapModuleHost.h"
#include "Vst2ModuleHost.h"
#include "Vst3ModuleHost.h"
#if defined(BRINDLE_HAVE_LILV)
#include "Lv2ModuleHost.h"
#endif

#include <cctype>
#include <cstring>

namespace
{
bool EndsWithSuffix(std::string name, const std::string& suffix)
{
  while (!name.empty() && (name.back() == '/' || name.back() == '\\'))
    name.pop_back();
  if (name.size() < suffix.size())
    return false;
  for (size_t i = 0; i < suffix.size(); ++i)
  {
    const char c = name[name.size() - suffix.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != suffix[i])
      return false;
  }
  return true;
}
}  // namespace

bool IsVst3ModulePath(const std::string& path)
{
  return EndsWithSuffix(path, ".vst3");
}

bool IsClapModulePath(const std::string& path)
{
  return EndsWithSuffix(path, ".clap");
}

std::unique_ptr<RenderHost> CreateModuleHost(const std::string& path, std::vector<RenderParamInfo> ownParams)
{
#if defined(BRINDLE_HAVE_LILV)
  if (IsLv2ModulePath(path))
    return std::make_unique<Lv2ModuleHost>(path, std::move(ownParams));
#endif
  if (IsVst3ModulePath(path))
    return std::make_unique<Vst3ModuleHost>(path, std::move(ownParams));
  if (IsClapModulePath(path))
    return std::make_unique<ClapModuleHost>(path, std::move(ownParams));
  return std::make_unique<Vst2ModuleHost>(path, std::move(ownParams));
}

bool SameParamNames(const std::vector<std::string>& names, const std::vector<RenderParamInfo>& own)
{
  if (names.size() != own.size() || own.empty())
    return false;
  for (size_t i = 0; i < names.size(); ++i)
  {
    if (names[i] != own[i].name)
      return false;
  }
  return true;
}

void AppendLittleEndian32(std::vector<uint8_t>& bytes, uint32_t value)
{
  for (int b = 0; b < 4; ++b)
    bytes.push_back(static_cast<uint8_t>(value >> (8 * b)));
}

void AppendLittleEndianDouble(std::vector<uint8_t>& bytes, double value)
{
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  for (int b = 0; b < 8; ++b)
    bytes.push_back(static_cast<uint8_t>(bits >> (8 * b)));
}
