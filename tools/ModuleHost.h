// brindle-render's hosts for built plug-in modules: which one a path asks for, and
// what the VST 2 and VST 3 hosts share.
#pragma once

#include "RenderHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// True when the names are the table's names, in order.
bool SameParamNames(const std::vector<std::string>& names, const std::vector<RenderParamInfo>& own);

// What the module hosts keep: the path, the built-in plug-in's table and the
// reason of the last failure.
class ModuleRenderHost : public RenderHost
{
public:
  ModuleRenderHost(std::string path, std::vector<RenderParamInfo> ownParams)
    : path(std::move(path)), ownParams(std::move(ownParams))
  {
  }
  std::string Failure() const override { return failure; }

protected:
  bool Fail(const std::string& why)
  {
    failure = why;
    return false;
  }
  // A module whose parameters have the table's names in order and their indices as
  // ids is the plug-in the tool carries.
  template <typename Id>
  bool IsOwnPlugin(const std::vector<std::string>& names, const std::vector<Id>& ids) const
  {
    bool own = SameParamNames(names, ownParams);
    for (size_t i = 0; i < ids.size() && own; ++i)
      own = ids[i] == static_cast<Id>(i);
    return own;
  }
  // The interfaces carry no digit count and no texts for chosen values (such as
  // "center" at 0): for the tool's own plug-in those come from its table.
  void DescribeAsOwn(RenderParamInfo& param, size_t index) const
  {
    const RenderParamInfo& own = ownParams[index];
    param.unit = own.unit;
    param.precision = own.precision;
    param.step = own.step;
    param.displayTexts = own.displayTexts;
  }

  std::string path;
  std::vector<RenderParamInfo> ownParams;
  std::string failure;
};

// True for a VST 3 bundle: a folder or file whose name ends in ".vst3" (any case).
bool IsVst3ModulePath(const std::string& path);

// True for a CLAP module: a file whose name ends in ".clap" (any case).
bool IsClapModulePath(const std::string& path);

// The LV2 host for an LV2 bundle folder or plug-in URI (Linux builds with lilv), the
// VST 3 host for a VST 3 bundle path, the CLAP host for a .clap, else the VST 2 host. ownParams describes the
// plug-in built into the tool: a module that presents the same parameters is taken
// for that plug-in, so it receives its values through its saved-state format and
// --param may use the table's display texts.
std::unique_ptr<RenderHost> CreateModuleHost(const std::string& path, std::vector<RenderParamInfo> ownParams);


// Little-endian bytes of the saved-state formats.
void AppendLittleEndian32(std::vector<uint8_t>& bytes, uint32_t value);
void AppendLittleEndianDouble(std::vector<uint8_t>& bytes, double value);
