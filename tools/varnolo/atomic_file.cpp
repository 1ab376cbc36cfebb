#include "atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace varnolo::cli {

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  std::vector<char> name(path_.begin(), path_.end());
  const char suffix[] = ".partial-XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    Fail("cannot write beside " + path_);
    return;
  }
  temporary_ = name.data();
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  file_ = fdopen(fd, "w");
  if (file_ == nullptr) {
    close(fd);
    Fail("cannot write " + temporary_);
  }
}

AtomicFile::~AtomicFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
}

void AtomicFile::Fail(const std::string& what) {
  if (failed_) return;
  failed_ = true;
  error_ = what + ": " + std::strerror(errno);
}

void AtomicFile::Write(const std::string& text) {
  if (file_ == nullptr || failed_) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) Fail("cannot write " + path_);
}

bool AtomicFile::Commit() {
  if (file_ == nullptr || failed_) return false;
  if (std::fflush(file_) != 0 || fsync(fileno(file_)) != 0) Fail("cannot write " + path_);
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) Fail("cannot write " + path_);
  if (!failed_ && std::rename(temporary_.c_str(), path_.c_str()) != 0)
    Fail("cannot replace " + path_);
  committed_ = !failed_;
  return committed_;
}

}  // namespace varnolo::cli
