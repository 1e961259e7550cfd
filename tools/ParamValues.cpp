// Parameter lookup by name and value parsing for brindle-render.
#include "ParamValues.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
std::string Lower(std::string text)
{
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text)
{
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return "";
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string NameList(const std::vector<RenderParamInfo>& params)
{
  std::string list;
  for (const RenderParamInfo& param : params)
    list += (list.empty() ? "" : ", ") + ("\"" + param.name + "\"");
  return list;
}

std::string TextList(const RenderParamInfo& param)
{
  std::string list;
  for (const RenderParamInfo::DisplayText& entry : param.displayTexts)
    list += (list.empty() ? "" : ", ") + entry.text;
  return list;
}

std::string Range(const RenderParamInfo& param)
{
  std::string range = FormatParamValue(param, param.minValue) + " to " + FormatParamValue(param, param.maxValue);
  if (!param.unit.empty())
    range += " " + param.unit;
  return range;
}

}  // namespace

bool ParseParamValue(const RenderParamInfo& param, const std::string& rawText, double& value, std::string& error)
{
  const std::string text = Trim(rawText);
  // Display texts first, so that "mid" and "on" work; any case will do.
  for (const RenderParamInfo::DisplayText& entry : param.displayTexts)
  {
    if (Lower(entry.text) == Lower(text))
    {
      value = entry.value;
      return true;
    }
  }
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(begin, &end);
  if (text.empty() || end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(parsed))
  {
    error = "cannot read the value \"" + rawText + "\" of \"" + param.name + "\": give a number";
    if (!param.displayTexts.empty())
      error += " or one of: " + TextList(param);
    return false;
  }
  if (parsed < param.minValue || parsed > param.maxValue)
  {
    error = "the value " + text + " of \"" + param.name + "\" is outside its range " + Range(param);
    return false;
  }
  if (!param.isDouble && parsed != std::floor(parsed))
  {
    error = "the value " + text + " of \"" + param.name + "\" must be a whole number from " + Range(param);
    if (!param.displayTexts.empty())
      error += " or one of: " + TextList(param);
    return false;
  }
  value = parsed;
  return true;
}

int FindParam(const std::vector<RenderParamInfo>& params, const std::string& name, std::string& error)
{
  auto found = std::find_if(params.begin(), params.end(), [&](const RenderParamInfo& p) { return p.name == name; });
  if (found != params.end())
    return static_cast<int>(found - params.begin());
  error = "unknown parameter \"" + name + "\"";
  auto similar = std::find_if(params.begin(), params.end(),
                              [&](const RenderParamInfo& p) { return Lower(p.name) == Lower(Trim(name)); });
  if (similar != params.end())
    error += " (did you mean \"" + similar->name + "\"?)";
  error += "; valid names: " + NameList(params);
  return -1;
}

double NormalizedParamValue(const RenderParamInfo& param, double plainValue)
{
  if (!(param.maxValue > param.minValue))
    return 0.0;
  const double position = (std::clamp(plainValue, param.minValue, param.maxValue) - param.minValue) /
                          (param.maxValue - param.minValue);
  return param.shape == 1.0 ? position : std::pow(position, 1.0 / param.shape);
}

std::string FormatParamValue(const RenderParamInfo& param, double value)
{
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", std::clamp(param.precision, 0, 6), value);
  // "-0.0" reads oddly in a table.
  std::string result = text;
  if (result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos)
    result.erase(0, 1);
  return result;
}

bool ResolveParamValues(const std::vector<RenderParamInfo>& params,
                        const std::vector<std::pair<std::string, std::string>>& assignments,
                        std::vector<double>& values, std::string& error)
{
  values.clear();
  for (const RenderParamInfo& param : params)
    values.push_back(param.defaultValue);

  for (const auto& [name, text] : assignments)
  {
    const int found = FindParam(params, name, error);
    if (found < 0)
      return false;
    double value = 0.0;
    if (!ParseParamValue(params[static_cast<size_t>(found)], text, value, error))
      return false;
    values[static_cast<size_t>(found)] = value;
  }
  return true;
}

std::string FormatParamTable(const std::vector<RenderParamInfo>& params)
{
  std::string table = "index  name              range              default         display texts\n";
  char line[256];
  for (size_t i = 0; i < params.size(); ++i)
  {
    const RenderParamInfo& param = params[i];
    std::string defaultText = FormatParamValue(param, param.defaultValue);
    for (const RenderParamInfo::DisplayText& entry : param.displayTexts)
    {
      if (entry.value == param.defaultValue && entry.text != defaultText)
      {
        defaultText += " (" + entry.text + ")";
        break;
      }
    }
    std::string texts;
    for (const RenderParamInfo::DisplayText& entry : param.displayTexts)
      texts += (texts.empty() ? "" : ", ") + FormatParamValue(param, entry.value) + " = " + entry.text;
    std::snprintf(line, sizeof line, "%5zu  %-16s  %-17s  %-14s  %s", i, param.name.c_str(), Range(param).c_str(),
                  defaultText.c_str(), texts.c_str());
    std::string row = line;
    while (!row.empty() && row.back() == ' ')
      row.pop_back();
    table += row + "\n";
  }
  return table;
}
