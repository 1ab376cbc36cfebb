// A file that replaces its target only when it was written completely: the
// text goes to a temporary file beside the target, which is renamed over the
// target by Commit. Until then, and after any failure, the old file stays.
#pragma once

#include <cstdio>
#include <string>

namespace varnolo::cli {

class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();  // removes the temporary file unless committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // False when the temporary file could not be made; error() says why.
  bool open() const { return file_ != nullptr; }
  void Write(const std::string& text);
  bool Commit();
  const std::string& error() const { return error_; }

 private:
  void Fail(const std::string& what);
  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool committed_ = false;
  std::string error_;
};

}  // namespace varnolo::cli
