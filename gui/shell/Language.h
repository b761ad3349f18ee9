#pragma once
// The two languages the application speaks. Settings store them as 0 (Chinese) and 1 (English).
#include <array>

namespace nr::gui {

enum class Language { Chinese, English };

inline constexpr std::array<Language, 2> kLanguages{Language::Chinese, Language::English};

constexpr Language OtherLanguage(Language language) {
  return language == Language::English ? Language::Chinese : Language::English;
}

// The stored number of a language, and the language of a stored number (anything but 1 is
// Chinese, the device's own language).
// "zh" or "en", as file names and language tags spell them.
constexpr const char* LanguageCode(Language language) { return language == Language::English ? "en" : "zh"; }

constexpr int StoredLanguage(Language language) { return language == Language::English ? 1 : 0; }
constexpr Language LanguageFromStored(int stored) { return stored == 1 ? Language::English : Language::Chinese; }

}  // namespace nr::gui
