// The few operating-system services brindle-render needs, one source per platform.
#pragma once

#include <string>

bool StderrIsTerminal();
// Moves from onto to, replacing an existing file at to in one step.
bool MoveFileOver(const std::string& from, const std::string& to, std::string& error);
bool RemoveFile(const std::string& path);
