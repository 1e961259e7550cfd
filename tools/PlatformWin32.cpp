// Operating-system services for Windows.
#include "Platform.h"

#include <windows.h>

#include <cstdio>
#include <io.h>

bool StderrIsTerminal()
{
  return _isatty(_fileno(stderr)) != 0;
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string& error)
{
  // rename() on Windows refuses to replace an existing file.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  char text[256] = {};
  const DWORD code = GetLastError();
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                      sizeof text - 1, nullptr))
    std::snprintf(text, sizeof text, "system error %lu", static_cast<unsigned long>(code));
  error = text;
  while (!error.empty() && (error.back() == '\n' || error.back() == '\r' || error.back() == ' '))
    error.pop_back();
  return false;
}

bool RemoveFile(const std::string& path)
{
  return DeleteFileA(path.c_str()) != 0;
}
