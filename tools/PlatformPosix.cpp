// Operating-system services for POSIX systems.
#include "Platform.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool StderrIsTerminal()
{
  return isatty(STDERR_FILENO) == 1;
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string& error)
{
  if (std::rename(from.c_str(), to.c_str()) == 0)
    return true;
  error = std::strerror(errno);
  return false;
}

bool RemoveFile(const std::string& path)
{
  return std::remove(path.c_str()) == 0;
}
