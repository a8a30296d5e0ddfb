#include "codecs/id3v1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/message.h"

namespace {

std::string FieldText(const unsigned char* field, size_t size) {
  const void* zero = std::memchr(field, 0, size);
  const size_t length =
      zero != nullptr ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - field) : size;
  return std::string(reinterpret_cast<const char*>(field), length);
}

}  // namespace

Id3v1Tag ReadId3v1Tag(const std::string& path) {
  Id3v1Tag tag;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    platform::ShowMessageF(
        "Could not open %s to get TAG Info - it may be in exclusive use by another program.",
        path.c_str());
    return tag;
  }
  unsigned char raw[kId3v1TagSize];
  ssize_t got = -1;
  if (st.st_size >= kId3v1TagSize) {
    do {
      got = ::pread(fd, raw, sizeof raw, st.st_size - kId3v1TagSize);
    } while (got < 0 && errno == EINTR);
  }
  ::close(fd);
  if (got != kId3v1TagSize || std::memcmp(raw, "TAG", 3) != 0) return tag;

  tag.found = true;
  tag.title = FieldText(raw + 3, 30);
  tag.artist = FieldText(raw + 33, 30);
  tag.album = FieldText(raw + 63, 30);
  tag.year = FieldText(raw + 93, 4);
  tag.comment = FieldText(raw + 97, 30);
  tag.genre = raw[127];
  return tag;
}
