// Parsing of brindle-render's automation files.
#include "Automation.h"

#include "ParamValues.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace
{
bool IsSpace(char c)
{
  return c == ' ' || c == '\t' || c == '\r';
}

// The parameter whose name starts `rest` and is followed by a space, the longest such
// name winning ("Mid Gain" over a parameter called "Mid"); -1 when none fits.
int MatchName(const std::vector<RenderParamInfo>& params, const std::string& rest, size_t& nameLength)
{
  int best = -1;
  nameLength = 0;
  for (size_t i = 0; i < params.size(); ++i)
  {
    const std::string& name = params[i].name;
    if (name.empty() || name.size() <= nameLength || rest.compare(0, name.size(), name) != 0)
      continue;
    if (rest.size() > name.size() && !IsSpace(rest[name.size()]))
      continue;
    best = static_cast<int>(i);
    nameLength = name.size();
  }
  return best;
}

bool ParseLine(const std::string& line, const std::vector<RenderParamInfo>& params, double sampleRate,
               AutomationPoint& point, std::string& error)
{
  const char* begin = line.c_str();
  char* end = nullptr;
  errno = 0;
  const double seconds = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE || !std::isfinite(seconds) || (*end != '\0' && !IsSpace(*end)))
  {
    error = "the line must start with a time in seconds";
    return false;
  }
  if (seconds < 0.0)
  {
    error = "the time " + line.substr(0, static_cast<size_t>(end - begin)) + " is negative";
    return false;
  }
  std::string rest(end);
  rest.erase(0, rest.find_first_not_of(" \t\r"));

  std::string name;
  std::string valueText;
  if (!rest.empty() && rest[0] == '"')
  {
    const size_t close = rest.find('"', 1);
    if (close == std::string::npos)
    {
      error = "the parameter name has no closing quote";
      return false;
    }
    name = rest.substr(1, close - 1);
    valueText = rest.substr(close + 1);
  }
  else
  {
    size_t length = 0;
    if (MatchName(params, rest, length) >= 0)
    {
      name = rest.substr(0, length);
      valueText = rest.substr(length);
    }
    else
    {
      // Unknown: the first word stands for the name in the message.
      const size_t space = rest.find_first_of(" \t");
      name = rest.substr(0, space);
      valueText = space == std::string::npos ? std::string() : rest.substr(space);
    }
  }
  if (name.empty())
  {
    error = "a parameter name and a value must follow the time";
    return false;
  }
  const int param = FindParam(params, name, error);
  if (param < 0)
    return false;
  valueText.erase(0, valueText.find_first_not_of(" \t\r"));
  while (!valueText.empty() && IsSpace(valueText.back()))
    valueText.pop_back();
  if (valueText.empty())
  {
    error = "no value for \"" + name + "\"";
    return false;
  }
  if (!ParseParamValue(params[static_cast<size_t>(param)], valueText, point.plainValue, error))
    return false;
  point.param = param;
  // The frame the time falls in; the small allowance keeps 0.1 s at 48 kHz on frame 4800.
  point.frame = static_cast<int64_t>(std::floor(seconds * sampleRate + 1e-6));
  return true;
}
}  // namespace

bool ParseAutomation(const std::string& text, const std::vector<RenderParamInfo>& params, double sampleRate,
                     std::vector<AutomationPoint>& points, std::string& error)
{
  points.clear();
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number)
  {
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#')
      continue;
    AutomationPoint point;
    std::string why;
    if (!ParseLine(line.substr(first), params, sampleRate, point, why))
    {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
    points.push_back(point);
  }
  std::stable_sort(points.begin(), points.end(),
                   [](const AutomationPoint& a, const AutomationPoint& b) { return a.frame < b.frame; });
  return true;
}

bool ReadAutomationFile(const std::string& path, const std::vector<RenderParamInfo>& params, double sampleRate,
                        std::vector<AutomationPoint>& points, std::string& error)
{
  std::ifstream file(path, std::ios::binary);
  if (!file)
  {
    error = "cannot read the automation file " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (!ParseAutomation(text.str(), params, sampleRate, points, error))
  {
    error = path + ": " + error;
    return false;
  }
  return true;
}
