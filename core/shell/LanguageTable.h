#pragma once
// A language table: the INI text ("[String]" section, key=value lines, "//" comments) that labels
// every dialog, stored in GBK. Parsed once into UTF-8 strings; lookups never fail, a missing key
// simply yields an empty text, which callers treat as "keep the current text".
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace nr {

class LanguageTable {
 public:
  static constexpr size_t kMaxValueChars = 999;

  // Parses GBK bytes. Lines outside the "String" section and malformed lines are ignored; bytes
  // that are not valid GBK are replaced, never passed on.
  static LanguageTable FromGbk(std::span<const uint8_t> bytes);
  // Parses text that is already UTF-8 (the editable copies of the tables).
  static LanguageTable FromUtf8(std::string_view text);

  // Value of a key, or empty.
  std::string Value(std::string_view key) const;
  std::string Title(int dialog) const;             // "IDD<dialog>_title"
  std::string Control(int dialog, int control) const;  // "IDD<dialog>_<control>"
  bool Contains(std::string_view key) const { return values_.count(std::string(key)) != 0; }
  size_t size() const { return values_.size(); }
  const std::unordered_map<std::string, std::string>& Entries() const { return values_; }

 private:
  std::unordered_map<std::string, std::string> values_;
};

// GBK to UTF-8 (invalid sequences become U+FFFD) and back (characters GBK lacks become '?').
std::string GbkToUtf8(std::span<const uint8_t> bytes);
std::string Utf8ToGbk(std::string_view text);

}  // namespace nr
