#include "support_bundle.h"

#include <dlfcn.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/utsname.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "varnolo.h"

namespace varnolo::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFolder = "varnolo-support";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

// The library file this process loaded; its name carries its version
// (libvarnolo.so.1.0.0).
std::string LibraryText() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&CRInitInterface), &info) == 0 || info.dli_fname == nullptr)
    return "library: unknown\n";
  std::error_code ignored;
  const fs::path file = fs::canonical(info.dli_fname, ignored);
  const std::string name = file.filename().string();
  const size_t so = name.find(".so.");
  std::string text = "library file: " + file.string() + "\n";
  if (so != std::string::npos) text += "library version: " + name.substr(so + 4) + "\n";
  return text;
}

std::string SystemText() {
  std::string text;
  utsname u{};
  if (uname(&u) == 0) {
    text += std::string("kernel: ") + u.sysname + " " + u.release + " " + u.version + "\n";
    text += std::string("machine: ") + u.machine + "\n";
  }
  const std::string release = ReadFile("/etc/os-release");
  text += "\n/etc/os-release:\n" + (release.empty() ? "(none)\n" : release);
  return text;
}

bool RunTar(const std::string& archive, const std::string& folder, std::string* error) {
  std::vector<std::string> args{"tar", "-czf", archive, "-C", folder, kFolder};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "tar", nullptr, nullptr, argv.data(), environ) != 0) {
    *error = "cannot run tar";
    return false;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  *error = "tar could not write " + archive;
  return false;
}

}  // namespace

SupportBundle::~SupportBundle() {
  std::error_code ignored;
  if (!staging_.empty()) fs::remove_all(staging_, ignored);
}

bool SupportBundle::Begin(std::string* error) {
  std::string pattern = (fs::temp_directory_path() / "varnolo-doctor-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot make a temporary folder";
    return false;
  }
  staging_ = pattern;
  const fs::path folder = fs::path(staging_) / kFolder;
  std::error_code failed;
  fs::create_directory(folder, failed);
  const fs::path trace = folder / "trace.txt";
  if (failed || !WriteFile(trace, "")) {
    *error = "cannot write in " + staging_;
    return false;
  }
  setenv("VARNOLO_TRACE", trace.c_str(), 1);
  return true;
}

bool SupportBundle::Write(const std::string& path, const nlohmann::json& findings,
                          std::string* error) {
  const fs::path folder = fs::path(staging_) / kFolder;
  const std::string versions = "varnolo " VARNOLO_VERSION "\n" + LibraryText();
  if (!WriteFile(folder / "findings.json", findings.dump(2) + "\n") ||
      !WriteFile(folder / "versions.txt", versions) ||
      !WriteFile(folder / "system.txt", SystemText())) {
    *error = "cannot write in " + staging_;
    return false;
  }
  const std::string target = fs::absolute(path).string();
  const std::string partial = target + ".partial";
  if (!RunTar(partial, staging_, error)) {
    std::remove(partial.c_str());
    return false;
  }
  std::error_code failed;
  fs::rename(partial, target, failed);
  if (failed) {
    std::remove(partial.c_str());
    *error = "cannot write " + path + ": " + failed.message();
    return false;
  }
  return true;
}

}  // namespace varnolo::cli
