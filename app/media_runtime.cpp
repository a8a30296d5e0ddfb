#include "app/media_runtime.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/library.h"

bool LoadLibraryProbe(const char* editorName) {
  platform::Library library;
  return library.Load(editorName);
}

bool RunMediaRuntimeStep(const std::string& configPath, const LibraryProbe& probe) {
  if (configPath.empty()) return false;
  // A configuration file that can be read means an earlier start finished
  // its first run.
  const int fd = ::open(configPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  bool loaded = true;
  for (const char* name : kMediaRuntimeLibraries) loaded = probe(name) && loaded;
  return loaded;
}
