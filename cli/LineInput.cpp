#include "LineInput.h"

namespace nr::cli {

LineRead ReadScriptLine(std::istream& in, std::string& line, size_t limit) {
  line.clear();
  std::streambuf* buffer = in.rdbuf();
  if (!buffer || !in.good()) return LineRead::kEnd;
  for (;;) {
    const std::streambuf::int_type c = buffer->sbumpc();
    if (std::streambuf::traits_type::eq_int_type(c, std::streambuf::traits_type::eof())) {
      in.setstate(std::ios::eofbit);
      return line.empty() ? LineRead::kEnd : LineRead::kLine;
    }
    const char ch = std::streambuf::traits_type::to_char_type(c);
    if (ch == '\n') return LineRead::kLine;
    if (line.size() == limit) return LineRead::kTooLong;
    line += ch;
  }
}

std::string TooLongLineText(int lineNumber, size_t limit) {
  return "line " + std::to_string(lineNumber) + " is longer than " + std::to_string(limit) + " bytes";
}

}  // namespace nr::cli
