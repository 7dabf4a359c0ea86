#include "stringtable.h"

#include <cstdlib>

namespace tavo {

Language LanguageFromLocaleName(const std::string& locale) {
  if (locale.rfind("ko", 0) == 0) return Language::Korean;
  if (locale.rfind("ja", 0) == 0) return Language::Japanese;
  return Language::English;
}

Language LanguageFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return LanguageFromLocaleName(value);
  }
  return Language::English;
}

StringTable::StringTable(std::span<const StringEntry> entries, Language language)
    : entries_(entries), language_(language) {}

std::string StringTable::Text(int id) const {
  for (const StringEntry& entry : entries_) {
    if (entry.id != id) continue;
    switch (language_) {
      case Language::Korean:
        return entry.korean;
      case Language::Japanese:
        return entry.japanese;
      case Language::English:
        return entry.english;
    }
  }
  return {};
}

void ShowString(MessageBoxes& boxes, const StringTable& table, int id, MessageIcon icon) {
  boxes.Show(table.Text(id), icon);
}

}  // namespace tavo
