// GBK with iconv, on Linux and other POSIX systems.
#include <iconv.h>

#include <cerrno>
#include <vector>

#include "shell/GbkText.h"

namespace nr {
namespace {

// Converts with iconv, replacing what cannot be converted so that no input can stop the loader.
std::string Convert(const char* from, const char* to, std::string_view input, std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  out.reserve(input.size() * 3 / 2 + 8);
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), static_cast<size_t>(outPtr - buffer.data()));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (a cut sequence at the end): skip one byte and mark it.
    out.append(replacement);
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string ConvertGbkToUtf8(std::string_view gbk, std::string_view replacement) {
  return Convert("GBK", "UTF-8", gbk, replacement);
}

std::string ConvertUtf8ToGbk(std::string_view utf8, std::string_view replacement) {
  return Convert("UTF-8", "GBK", utf8, replacement);
}

}  // namespace nr
