// Every text a field of TavoCCTV can show fits that field in the three languages, measured with
// the font the window gives the field: numbers in the value fields (any camera value of up to
// four characters), the prompts in the mail edits, the rates in their list, the viewer's counter
// and the folder panel's date and time.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <string>
#include <vector>

#include "cctv_fixture.h"
#include "cctvmainwindow.h"
#include "cctvsettings.h"
#include "folderpanel.h"
#include "skinlook.h"

namespace tavo::cctv {
namespace {

using testing::CctvRig;

class FitRig : public CctvRig {
 public:
  explicit FitRig(Language language) : CctvRig(language) {
    window = std::make_unique<CctvMainWindow>(
        CctvServices{graph, boxes, strings, shell, transport,
                     RegistryRoot{(folder.path() / "settings.sqlite").string()}, TAVO_PROGRAM_DIR,
                     SystemLocalClock(), JpegFileWriter(boxes), smtpPort, nullptr});
    window->Start(kMediaRuntimeComplete);
  }
  ~FitRig() { window.reset(); }
  std::unique_ptr<CctvMainWindow> window;
};

// Width and height left for text in a field, and the texts it can show.
struct Field {
  std::string name;
  QFont font;
  int width;
  int height;
  std::vector<QString> texts;
};

void ExpectFits(const Field& field, const std::string& language) {
  const QFontMetrics metrics(field.font);
  // A whole line, descenders and underscores included.
  EXPECT_LE(metrics.ascent() + metrics.descent(), field.height)
      << field.name << " in " << language << ": " << field.font.family().toStdString() << " "
      << field.font.pixelSize();
  for (const QString& text : field.texts) {
    EXPECT_LE(metrics.horizontalAdvance(text), field.width)
        << field.name << " in " << language << ": \"" << text.toStdString() << "\"";
  }
}

TEST(FieldFit, EveryTextFitsItsFieldInEveryLanguage) {
  std::vector<QString> numbers;
  for (int n = -999; n <= 9999; ++n) numbers.push_back(QString::number(n));
  const std::vector<QString> counters = {QStringLiteral("0 / 0"), QStringLiteral("10000 / 10000"),
                                         QStringLiteral("8888 / 8888")};
  for (Language language : {Language::Korean, Language::English, Language::Japanese}) {
    FitRig rig(language);
    CctvMainWindow& window = *rig.window;
    const std::string name = window.controller().uiLanguage();
    std::vector<Field> fields;
    for (const SliderRow& row : kSliderRows) {
      QLabel* value = window.valueField(row.field);
      EXPECT_EQ(value->geometry(), ValueFieldPlace(row, name == "Korean"));
      fields.push_back(
          {"value field", value->font(), value->width() - 2, value->height(), numbers});
    }
    fields.push_back({"counter field", window.counterField()->font(),
                      window.counterField()->width() - 2, window.counterField()->height(),
                      counters});
    fields.push_back({"speed field",
                      window.speedField()->font(),
                      window.speedField()->width() - 2,
                      window.speedField()->height(),
                      {QStringLiteral("1"), QStringLiteral("10")}});
    for (const EditRow& row : kMailEdits) {
      QLineEdit* edit = window.mailEdit(row.id);
      EXPECT_EQ(edit->geometry(), row.place);
      const QString prompt = QString::fromStdString(rig.strings.Text(row.prompt));
      // The edit's own margin of two pixels each side and its text margins of one.
      fields.push_back({"mail edit",
                        edit->font(),
                        edit->width() - 6,
                        edit->height() - 2,
                        {PromptShown(row.prompt, name, prompt), QStringLiteral("e_mail@jg.qy")}});
    }
    QComboBox* rates = window.rateList();
    std::vector<QString> rateTexts;
    for (int i = 0; i < rates->count(); ++i) rateTexts.push_back(rates->itemText(i));
    fields.push_back({"rate list", rates->font(), rates->width() - SkinComboBox::kArrowWidth - 6,
                      rates->height() - 4, rateTexts});
    FolderPanel* panel = window.folderPanel();
    ASSERT_NE(panel, nullptr);
    const std::vector<QString> captions =
        name == "Korean" ? std::vector<QString>{QString::fromUtf8("88년 88월 88일"),
                                                QString::fromUtf8("88시 88분 88초")}
        : name == "Japanese"
            ? std::vector<QString>{QStringLiteral("88 - 88 - 88"), QStringLiteral("88h 88m 88s")}
            : std::vector<QString>{QStringLiteral("88-88-88"), QStringLiteral("88:88:88")};
    for (QLabel* caption : {panel->dateCaption(), panel->timeCaption()}) {
      fields.push_back(
          {"panel caption", caption->font(), caption->width() - 2, caption->height(), captions});
    }
    for (const Field& field : fields) ExpectFits(field, name);
  }
}

TEST(FieldFit, PromptsAreShownWholeAndStoredAsTheyAre) {
  FitRig rig(Language::Japanese);
  CctvMainWindow& window = *rig.window;
  const std::string prompt = rig.strings.Text(kMsgFirstServer);
  ASSERT_EQ(window.controller().FieldText(kEditSmtpServer), prompt);
  // The sentence is three times the field's width; the field shows the short wording.
  EXPECT_EQ(window.mailEdit(kEditSmtpServer)->text().toStdString(), "送信SMTPサーバー名");
  // English prompts fit and are shown as they are.
  FitRig english(Language::English);
  EXPECT_EQ(english.window->mailEdit(kEditSender)->text().toStdString(),
            english.strings.Text(kMsgFirstSender));
}

TEST(FieldFit, TextReadsWellOnTheFieldsGround) {
  EXPECT_GE(ContrastRatio(kPromptText, kFieldBack), 4.5);
  EXPECT_GE(ContrastRatio(kFieldText, kFieldBack), 4.5);
  FitRig rig(Language::English);
  const QPalette palette = rig.window->mailEdit(kEditSender)->palette();
  EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Text), kPromptText);
  EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Base), kFieldBack);
  EXPECT_DOUBLE_EQ(ContrastRatio(Qt::black, Qt::white), 21.0);
}

}  // namespace
}  // namespace tavo::cctv
