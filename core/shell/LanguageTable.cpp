#include "shell/LanguageTable.h"

#include <vector>

#include "shell/GbkText.h"

namespace nr {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Cuts a UTF-8 text to at most n characters without splitting a character.
std::string CutToChars(std::string_view s, size_t n) {
  size_t chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (chars == n) return std::string(s.substr(0, i));
      ++chars;
    }
  }
  return std::string(s);
}

}  // namespace

std::string GbkToUtf8(std::span<const uint8_t> bytes) {
  return ConvertGbkToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                 "\xEF\xBF\xBD");
}

std::string Utf8ToGbk(std::string_view text) { return ConvertUtf8ToGbk(text, "?"); }

LanguageTable LanguageTable::FromGbk(std::span<const uint8_t> bytes) { return FromUtf8(GbkToUtf8(bytes)); }

LanguageTable LanguageTable::FromUtf8(std::string_view text) {
  LanguageTable table;
  bool inStrings = false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Trailing blanks of a value are part of the text ("By mode "), so only the line's start and
    // the key are trimmed.
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.starts_with("//") || line.starts_with(";")) continue;
    if (line.front() == '[') {
      inStrings = TrimBlanks(line) == "[String]";
      continue;
    }
    const size_t eq = line.find('=');
    if (!inStrings || eq == std::string_view::npos || eq == 0) continue;
    const std::string key(TrimBlanks(line.substr(0, eq)));
    if (table.values_.count(key)) continue;  // the first definition wins, as INI readers do
    table.values_.emplace(key, CutToChars(line.substr(eq + 1), kMaxValueChars));
  }
  return table;
}

std::string LanguageTable::Value(std::string_view key) const {
  const auto it = values_.find(std::string(key));
  return it == values_.end() ? std::string() : it->second;
}

std::string LanguageTable::Title(int dialog) const { return Value("IDD" + std::to_string(dialog) + "_title"); }

std::string LanguageTable::Control(int dialog, int control) const {
  return Value("IDD" + std::to_string(dialog) + "_" + std::to_string(control));
}

}  // namespace nr
