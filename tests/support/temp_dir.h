// A fresh folder under the system temp folder, removed with everything in it
// when the object goes out of scope.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Small file helpers shared by the tests.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFileBytes(const std::filesystem::path& path);
// Another program writing `bytes` over the file in place, as `cp` over an
// existing file does; true once the write is through.
bool RewriteInAnotherProcess(const std::filesystem::path& path, const std::string& bytes);
