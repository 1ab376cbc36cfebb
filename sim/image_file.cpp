#include "image_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace varnolo::sim {
namespace {

constexpr char kMagic[8] = {'V', 'A', 'R', 'N', 'S', 'I', 'M', '1'};
constexpr size_t kHeaderSize = sizeof kMagic + 1 + 4 + 2;

size_t ImageSize(const Memory& m) {
  return kHeaderSize + m.data.size() + m.working.size() + m.goods.size() + m.flags.size();
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, p, n);
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

bool SaveImage(const Register& reg, const std::string& path, std::string* error) {
  const Memory& m = reg.memory();
  std::vector<uint8_t> bytes;
  bytes.reserve(ImageSize(m));
  bytes.insert(bytes.end(), kMagic, kMagic + sizeof kMagic);
  bytes.push_back(reg.firmware());
  uint8_t number[4];
  PutBe(number, reg.number());
  bytes.insert(bytes.end(), number, number + 4);
  uint8_t goods[2];
  PutBe(goods, static_cast<uint64_t>(reg.goodsBase()));
  bytes.insert(bytes.end(), goods, goods + 2);
  for (std::span<const uint8_t> space :
       {std::span<const uint8_t>(m.data), std::span<const uint8_t>(m.working),
        std::span<const uint8_t>(m.goods), std::span<const uint8_t>(m.flags)}) {
    bytes.insert(bytes.end(), space.begin(), space.end());
  }

  const std::string temporary = path + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = "cannot write " + temporary + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = WriteAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
  close(fd);
  if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
    if (error) *error = "cannot save " + path + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool LoadImage(Register& reg, const std::string& path, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  Memory& live = reg.memory();
  std::vector<uint8_t> bytes(ImageSize(live) + 1);
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t r = read(fd, bytes.data() + got, bytes.size() - got);
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  close(fd);
  if (got != ImageSize(live) || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    if (error) *error = path + " is not a register image";
    return false;
  }
  const uint8_t firmware = bytes[8];
  const uint64_t number = GetBe(std::span(bytes).subspan(9, 4));
  const uint64_t goods = GetBe(std::span(bytes).subspan(13, 2));
  if (firmware != reg.firmware() || number != reg.number() ||
      static_cast<int>(goods) != reg.goodsBase()) {
    if (error) {
      *error = path + " holds register " + std::to_string(number) + " with firmware " +
               std::to_string(firmware) + " and a goods base of " + std::to_string(goods);
    }
    return false;
  }
  size_t at = kHeaderSize;
  for (std::span<uint8_t> space :
       {std::span<uint8_t>(live.data), std::span<uint8_t>(live.working),
        std::span<uint8_t>(live.goods), std::span<uint8_t>(live.flags)}) {
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), space.size(), space.begin());
    at += space.size();
  }
  return true;
}

}  // namespace varnolo::sim
