// --automation FILE of brindle-render: lines "SECONDS NAME VALUE" turned into
// parameter changes at frames of the rendered stream.
#pragma once

#include "RenderHost.h"

#include <cstdint>
#include <string>
#include <vector>

struct AutomationPoint
{
  int64_t frame = 0;  // the first frame the change applies to
  int param = 0;      // index in the host's parameter table
  double plainValue = 0.0;
};

// Reads the lines of text: "SECONDS NAME VALUE", where NAME is a parameter name as
// --param takes it (spaces allowed; quotes optional) and VALUE a plain value or a
// display text. Empty lines and lines starting with '#' are skipped. The points come
// back ordered by frame, lines of one time in file order. False with "LINE: reason".
bool ParseAutomation(const std::string& text, const std::vector<RenderParamInfo>& params, double sampleRate,
                     std::vector<AutomationPoint>& points, std::string& error);

// The same for a file; the error then starts with the path.
bool ReadAutomationFile(const std::string& path, const std::vector<RenderParamInfo>& params, double sampleRate,
                        std::vector<AutomationPoint>& points, std::string& error);
