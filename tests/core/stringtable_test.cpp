#include "stringtable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <span>
#include <utility>

#include "capturegraphstrings.h"
#include "cctvstrings.h"
#include "previewstrings.h"

namespace tavo {
namespace {

TEST(StringTable, LocaleNamesPickTheLanguage) {
  EXPECT_EQ(LanguageFromLocaleName("ko_KR.UTF-8"), Language::Korean);
  EXPECT_EQ(LanguageFromLocaleName("ja_JP.UTF-8"), Language::Japanese);
  EXPECT_EQ(LanguageFromLocaleName("en_US.UTF-8"), Language::English);
  EXPECT_EQ(LanguageFromLocaleName("C"), Language::English);
  EXPECT_EQ(LanguageFromLocaleName(""), Language::English);
  EXPECT_EQ(LanguageFromLocaleName("de_DE"), Language::English);
}

TEST(StringTable, LcAllOutranksLang) {
  ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
  ::setenv("LANG", "ko_KR.UTF-8", 1);
  EXPECT_EQ(LanguageFromEnvironment(), Language::Japanese);
  ::setenv("LC_ALL", "", 1);  // empty counts as unset
  ::unsetenv("LC_MESSAGES");
  EXPECT_EQ(LanguageFromEnvironment(), Language::Korean);
  ::unsetenv("LC_ALL");
  ::unsetenv("LANG");
  EXPECT_EQ(LanguageFromEnvironment(), Language::English);
}

// Every program table holds the same numbers in all three languages, and string 3000 names the
// table's language, which every language choice of the programs compares against.
TEST(StringTable, ProgramTablesAreCompleteAndNameTheirLanguage) {
  for (auto entries : {cctv::CctvStrings(), preview::PreviewStrings()}) {
    for (const StringEntry& e : entries) {
      EXPECT_NE(*e.korean, '\0') << e.id;
      EXPECT_NE(*e.english, '\0') << e.id;
      EXPECT_NE(*e.japanese, '\0') << e.id;
    }
    EXPECT_EQ(StringTable(entries, Language::Korean).UiLanguage(), "Korean");
    EXPECT_EQ(StringTable(entries, Language::English).UiLanguage(), "English");
    EXPECT_EQ(StringTable(entries, Language::Japanese).UiLanguage(), "Japanese");
  }
}

// Both programs show each capture-graph message with the core's one text, at their own numbers.
TEST(StringTable, ProgramsTakeTheCaptureGraphTextsAtTheirOwnNumbers) {
  const std::pair<std::span<const StringEntry>, int> programs[] = {
      {cctv::CctvStrings(), cctv::kCaptureGraphMessageOffset},
      {preview::PreviewStrings(), preview::kCaptureGraphMessageOffset}};
  for (const auto& [entries, offset] : programs) {
    for (Language language : {Language::Korean, Language::English, Language::Japanese}) {
      const StringTable table(entries, language);
      const StringTable core(kCaptureGraphStrings, language);
      for (const StringEntry& message : kCaptureGraphStrings) {
        EXPECT_EQ(table.Text(message.id + offset), core.Text(message.id)) << message.id + offset;
      }
    }
  }
  EXPECT_EQ(StringTable(cctv::CctvStrings(), Language::English).Text(kMsgMediaEventLink + 14),
            "Medai Event Link Error !!");
}

TEST(StringTable, MissingNumberIsEmptyAndBoxesCarryTheText) {
  StringTable table(cctv::CctvStrings(), Language::English);
  EXPECT_EQ(table.Text(2999), "");
  RecordingMessageBoxes boxes;
  ShowString(boxes, table, cctv::kMsgInstallDirectX, MessageIcon::Error);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Install directX8.1");
  EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(boxes.boxes[0].title, "");
  EXPECT_EQ(StringTable(preview::PreviewStrings(), Language::Korean).Text(3008),
            "DirectX 8.1 을 설치 하세요.");
}

TEST(CaptureGraphStrings, EveryMessageIsInEveryTableOfBothPrograms) {
  const int numbers[] = {3025, 3031, 3032, 3033, 3034, 3035, 3036, 3037, 3038, 3039,
                         3040, 3043, 3045, 3046, 3048, 3052, 3054, 3056, 3057, 3058,
                         3060, 3061, 3062, 3063, 3064, 3066, 3067, 3068, 3071};
  for (Language language : {Language::Korean, Language::English, Language::Japanese}) {
    StringTable previewTable(preview::PreviewStrings(), language);
    StringTable cctvTable(cctv::CctvStrings(), language);
    for (int number : numbers) {
      EXPECT_FALSE(previewTable.Text(number).empty()) << number;
      EXPECT_EQ(previewTable.Text(number), cctvTable.Text(number + 14)) << number;
    }
  }
  StringTable english(preview::PreviewStrings(), Language::English);
  EXPECT_EQ(english.Text(3035), "Medai Event Link Error !!");
  EXPECT_EQ(english.Text(3060), "As the IBaseFilter is NULL, it is not available to get the IPin");
}

}  // namespace
}  // namespace tavo
