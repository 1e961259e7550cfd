// The Turtle description of an LV2 bundle, from the plug-in's parameter table.
#include "framework/lv2/Lv2Turtle.h"

#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>

#include "framework/lv2/Lv2Ports.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A literal with a decimal point or exponent, exact for the ports' single precision.
std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", value);
  std::string s = text;
  if (s.find_first_of(".en") == std::string::npos) s += ".0";
  return s;
}

std::string Quoted(const char* text) {
  std::string s = "\"";
  for (const char* c = text; *c; ++c) {
    if (*c == '"' || *c == '\\') s += '\\';
    s += *c;
  }
  return s + "\"";
}

std::string Iri(const std::string& uri) { return "<" + uri + ">"; }

// The units vocabulary's term for a parameter's label, or empty.
const char* UnitOf(const char* label) {
  if (std::strcmp(label, "dB") == 0) return "units:db";
  if (std::strcmp(label, "%") == 0) return "units:pc";
  if (std::strcmp(label, "Hz") == 0) return "units:hz";
  if (std::strcmp(label, "ms") == 0) return "units:ms";
  return "";
}

void ControlPort(std::ostringstream& out, const IParam& param, uint32_t index, const std::string& symbol) {
  out << "  [\n    a lv2:InputPort, lv2:ControlPort ;\n"
      << "    lv2:index " << index << " ;\n"
      << "    lv2:symbol " << Quoted(symbol.c_str()) << " ;\n"
      << "    lv2:name " << Quoted(param.Name()) << " ;\n"
      << "    lv2:default " << Number(param.DefaultValue()) << " ;\n"
      << "    lv2:minimum " << Number(param.Min()) << " ;\n"
      << "    lv2:maximum " << Number(param.Max());
  const char* unit = UnitOf(param.Label());
  if (unit[0]) out << " ;\n    units:unit " << unit;
  switch (param.Kind()) {
  case ParamKind::Bool:
    out << " ;\n    lv2:portProperty lv2:toggled";
    break;
  case ParamKind::Enum:
    out << " ;\n    lv2:portProperty lv2:integer, lv2:enumeration";
    break;
  default:
    if (param.Step() > 0.0)
      out << " ;\n    pprops:rangeSteps " << static_cast<long>(std::lround((param.Max() - param.Min()) / param.Step()) + 1);
    break;
  }
  // Switches are drawn as switches; every other display text names a point of the range.
  if (param.Kind() != ParamKind::Bool) {
    for (int t = 0; t < param.DisplayTextCount(); ++t) {
      const DisplayTextEntry* entry = param.DisplayTextAt(t);
      out << " ;\n    lv2:scalePoint [ rdfs:label " << Quoted(entry->text) << " ; rdf:value " << Number(entry->value)
          << " ]";
    }
  }
  out << "\n  ]";
}

void AudioPort(std::ostringstream& out, bool input, uint32_t index, const char* symbol, const char* name,
               const std::string& group, const char* designation) {
  out << "  [\n    a lv2:AudioPort, " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
      << "    lv2:index " << index << " ;\n"
      << "    lv2:symbol \"" << symbol << "\" ;\n"
      << "    lv2:name \"" << name << "\" ;\n"
      << "    pg:group " << Iri(group) << " ;\n"
      << "    lv2:designation " << designation << "\n  ]";
}

}  // namespace

std::string Lv2UiUri(const std::string& pluginUri) { return pluginUri + "#ui"; }
std::string Lv2DefaultPresetUri(const std::string& pluginUri) { return pluginUri + "#preset-default"; }

std::string Lv2ManifestTurtle(const Lv2BundleDescription& b) {
  std::ostringstream out;
  out << kPrefixes;
  out << Iri(b.uri) << "\n  a lv2:Plugin ;\n  lv2:binary <" << b.dspBinary << "> ;\n  rdfs:seeAlso <"
      << b.pluginFile << "> .\n\n";
  if (!b.uiBinary.empty())
    out << Iri(Lv2UiUri(b.uri)) << "\n  a ui:X11UI ;\n  ui:binary <" << b.uiBinary << "> ;\n  rdfs:seeAlso <"
        << b.pluginFile << "> .\n\n";
  out << Iri(Lv2DefaultPresetUri(b.uri)) << "\n  a pset:Preset ;\n  lv2:appliesTo " << Iri(b.uri)
      << " ;\n  rdfs:seeAlso <" << b.presetFile << "> .\n";
  return out.str();
}

std::string Lv2PluginTurtle(const IEffectBase& plug, const Lv2BundleDescription& b) {
  const std::string inGroup = b.uri + "#in";
  const std::string outGroup = b.uri + "#out";
  std::ostringstream out;
  out << kPrefixes;
  out << Iri(inGroup) << "\n  a pg:InputGroup, pg:StereoGroup ;\n  lv2:symbol \"in\" ;\n  rdfs:label \"Input\" .\n\n";
  out << Iri(outGroup)
      << "\n  a pg:OutputGroup, pg:StereoGroup ;\n  lv2:symbol \"out\" ;\n  rdfs:label \"Output\" .\n\n";
  out << Iri(b.uri) << "\n  a lv2:Plugin, lv2:UtilityPlugin, doap:Project ;\n"
      << "  doap:name " << Quoted(plug.EffectName()) << " ;\n"
      << "  doap:maintainer [ foaf:name " << Quoted(plug.MakerName()) << " ] ;\n"
      << "  lv2:minorVersion " << b.minorVersion << " ;\n"
      << "  lv2:microVersion " << b.microVersion << " ;\n"
      << "  lv2:optionalFeature lv2:hardRTCapable, opts:options, urid:map ;\n"
      << "  opts:supportedOption bufsz:maxBlockLength ;\n"
      << "  lv2:extensionData state:interface ;\n";
  if (!b.uiBinary.empty()) out << "  ui:ui " << Iri(Lv2UiUri(b.uri)) << " ;\n";
  out << "  pg:mainInput " << Iri(inGroup) << " ;\n  pg:mainOutput " << Iri(outGroup) << " ;\n  lv2:port\n";
  AudioPort(out, true, lv2ports::kInputLeft, "in_left", "Left In", inGroup, "pg:left");
  out << ",\n";
  AudioPort(out, true, lv2ports::kInputRight, "in_right", "Right In", inGroup, "pg:right");
  out << ",\n";
  AudioPort(out, false, lv2ports::kOutputLeft, "out_left", "Left Out", outGroup, "pg:left");
  out << ",\n";
  AudioPort(out, false, lv2ports::kOutputRight, "out_right", "Right Out", outGroup, "pg:right");
  for (int i = 0; i < plug.ParamCount(); ++i) {
    out << ",\n";
    ControlPort(out, *plug.GetParam(i), lv2ports::ParamPort(i), b.symbols[static_cast<size_t>(i)]);
  }
  out << ",\n  [\n    a lv2:OutputPort, lv2:ControlPort ;\n"
      << "    lv2:index " << lv2ports::LampPort(plug.ParamCount()) << " ;\n"
      << "    lv2:symbol " << Quoted(b.lampSymbol.c_str()) << " ;\n"
      << "    lv2:name " << Quoted(b.lampName.c_str()) << " ;\n"
      << "    lv2:minimum 0.0 ;\n    lv2:maximum 1.0 ;\n"
      << "    lv2:portProperty lv2:toggled\n  ] .\n";
  if (!b.uiBinary.empty()) {
    out << "\n" << Iri(Lv2UiUri(b.uri)) << "\n  a ui:X11UI ;\n"
        << "  lv2:requiredFeature ui:idleInterface, ui:parent ;\n"
        << "  lv2:optionalFeature ui:resize, ui:touch, <" LV2_INSTANCE_ACCESS_URI ">, <" LV2_DATA_ACCESS_URI "> ;\n"
        << "  lv2:extensionData ui:idleInterface ;\n"
        << "  ui:portNotification [\n    ui:plugin " << Iri(b.uri) << " ;\n    lv2:symbol "
        << Quoted(b.lampSymbol.c_str()) << " ;\n    ui:protocol ui:floatProtocol\n  ] .\n";
  }
  return out.str();
}

std::string Lv2PresetTurtle(const IEffectBase& plug, const Lv2BundleDescription& b) {
  std::ostringstream out;
  out << kPrefixes;
  out << Iri(Lv2DefaultPresetUri(b.uri)) << "\n  a pset:Preset ;\n  lv2:appliesTo " << Iri(b.uri)
      << " ;\n  rdfs:label \"Default\" ;\n  lv2:port";
  for (int i = 0; i < plug.ParamCount(); ++i) {
    out << (i ? " ," : "") << "\n    [ lv2:symbol " << Quoted(b.symbols[static_cast<size_t>(i)].c_str())
        << " ; pset:value " << Number(plug.GetParam(i)->DefaultValue()) << " ]";
  }
  out << " .\n";
  return out.str();
}
