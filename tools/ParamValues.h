// Turns --param NAME=VALUE texts into the plug-in's plain parameter values and
// lists the parameter table, using only what the host describes.
#pragma once

#include "RenderHost.h"

#include <string>
#include <utility>
#include <vector>

// Starts from every parameter's default and applies the assignments in order.
bool ResolveParamValues(const std::vector<RenderParamInfo>& params,
                        const std::vector<std::pair<std::string, std::string>>& assignments,
                        std::vector<double>& values, std::string& error);

std::string FormatParamTable(const std::vector<RenderParamInfo>& params);
std::string FormatParamValue(const RenderParamInfo& param, double value);
