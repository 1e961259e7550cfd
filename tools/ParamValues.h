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

// The index of the parameter called name, or -1 with a message naming the valid ones.
int FindParam(const std::vector<RenderParamInfo>& params, const std::string& name, std::string& error);
// A value text in plain units or one of the display texts (any case), within range.
bool ParseParamValue(const RenderParamInfo& param, const std::string& text, double& value, std::string& error);
// The host's 0 to 1 position of a plain value, as the parameter maps it.
double NormalizedParamValue(const RenderParamInfo& param, double plainValue);

std::string FormatParamTable(const std::vector<RenderParamInfo>& params);
std::string FormatParamValue(const RenderParamInfo& param, double value);
