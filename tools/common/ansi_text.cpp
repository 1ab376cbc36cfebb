#include "ansi_text.h"

#include <iconv.h>

#include <vector>

namespace varnolo::client {
namespace {

std::string Convert(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::vector<char> out(in.size() * 4 + 4);
  char* ip = const_cast<char*>(in.data());
  size_t il = in.size();
  char* op = out.data();
  size_t ol = out.size();
  while (il > 0) {
    if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) break;
    // A character the other side lacks becomes '?'.
    ++ip;
    --il;
    if (ol == 0) break;
    *op++ = '?';
    --ol;
  }
  iconv_close(cd);
  return std::string(out.data(), out.size() - ol);
}

}  // namespace

std::string ToAnsi(const std::string& utf8) { return Convert("CP1251", "UTF-8", utf8); }
std::string FromAnsi(const std::string& ansi) { return Convert("UTF-8", "CP1251", ansi); }

}  // namespace varnolo::client
