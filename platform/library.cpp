#include "platform/library.h"

#include <dlfcn.h>

#include <array>
#include <cctype>
#include <utility>

#include "platform/paths.h"

namespace platform {
namespace {

struct NameMapping {
  std::string_view editorName;
  std::string_view fileName;
};

constexpr std::array kLibraryNames = {
    NameMapping{"lame.dll", "liblame_enc.so"},      NameMapping{"ombrin.dll", "libombrin.so"},
    NameMapping{"sarvik.dll", "libsarvik.so"},      NameMapping{"tallisk.dll", "libtallisk.so"},
    NameMapping{"avimport.dll", "libav_import.so"},
    NameMapping{"avexport.dll", "libav_export.so"},
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

std::string LibraryFileName(std::string_view editorName) {
  const std::string lower = Lower(editorName);
  for (const auto& mapping : kLibraryNames) {
    if (mapping.editorName == lower) return std::string(mapping.fileName);
  }
  return std::string(editorName);
}

Library::~Library() {
  if (handle_ != nullptr) dlclose(handle_);
}

Library::Library(Library&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

Library& Library::operator=(Library&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool Library::Load(std::string_view editorName) {
  const std::string fileName = LibraryFileName(editorName);
  for (const std::string& folder : LibraryFolders()) {
    handle_ = dlopen((folder + "/" + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ != nullptr) break;
  }
  if (handle_ == nullptr) handle_ = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    error_ = reason != nullptr ? reason : "cannot load " + fileName;
    return false;
  }
  error_.clear();
  return true;
}

void* Library::Symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

}  // namespace platform
