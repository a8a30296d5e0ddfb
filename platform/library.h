// Run-time loading of the outside libraries by the names the editor knows
// them by ("LAME.DLL", "Ombrin.dll", "Sarvik.dll", "Tallisk.dll",
// "AVImport.dll", "AVExport.dll").
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The Linux file name for one of the editor's library names; names that are
// not in the table are returned unchanged.
std::string LibraryFileName(std::string_view editorName);

// An open shared library; closed with the object.
class Library {
 public:
  Library() = default;
  ~Library();
  Library(Library&& other) noexcept;
  Library& operator=(Library&& other) noexcept;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Looks in the program's library folders first (LibraryFolders: beside
  // the program, then its installed lib/vellmore), then on the system
  // library path.
  // Returns false (and keeps the reason for Error()) when it cannot be loaded.
  bool Load(std::string_view editorName);
  bool IsLoaded() const { return handle_ != nullptr; }
  void* Symbol(const char* name) const;
  template <typename Function>
  Function Get(const char* name) const {
    return reinterpret_cast<Function>(Symbol(name));
  }
  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace platform
