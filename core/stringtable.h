// Numbered user-interface strings in Korean, English and Japanese. Each program compiles its own
// table; the language comes from the user's locale.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "messageboxes.h"

namespace tavo {

enum class Language { Korean, English, Japanese };

struct StringEntry {
  int id;
  const char* korean;
  const char* english;
  const char* japanese;
};

// The string that names a table's language: "Korean", "English" or "Japanese".
inline constexpr int kUiLanguageString = 3000;

// True when no number appears twice in `entries`: a program checks its table with it at compile
// time, since the lookup would silently take the first of two rows.
constexpr bool NumbersAreUnique(std::span<const StringEntry> entries) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    for (std::size_t j = i + 1; j < entries.size(); ++j)
      if (entries[i].id == entries[j].id) return false;
  return true;
}

// Picks the language from LC_ALL, LC_MESSAGES and LANG in that order (the first one set and
// non-empty decides): "ko…" is Korean, "ja…" Japanese, anything else English.
Language LanguageFromEnvironment();

// Same rule for one locale name, e.g. "ko_KR.UTF-8".
Language LanguageFromLocaleName(const std::string& locale);

class StringTable {
 public:
  StringTable(std::span<const StringEntry> entries, Language language);

  // The text of string `id` in the table's language; an empty text for a number the table lacks.
  std::string Text(int id) const;

  // String 3000: "Korean", "English" or "Japanese".
  std::string UiLanguage() const { return Text(kUiLanguageString); }

  Language language() const { return language_; }

 private:
  std::span<const StringEntry> entries_;
  Language language_;
};

// Shows string `id` of `table` through `boxes`, titled with the program's name.
void ShowString(MessageBoxes& boxes, const StringTable& table, int id,
                MessageIcon icon = MessageIcon::None);

}  // namespace tavo
