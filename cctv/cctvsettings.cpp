#include "cctvsettings.h"

#include <utility>
#include <vector>

namespace tavo::cctv {

CctvSettings::CctvSettings(RegistryRoot root, const PictureControls& picture, MessageBoxes& boxes,
                           const StringTable& strings)
    : root_(std::move(root)), picture_(picture), boxes_(boxes), strings_(strings) {}

std::optional<StoredCctvSettings> CctvSettings::Load(const std::function<int()>& firstRun) {
  RegistryKey key(root_);
  if (!key.OpenSubKey(kSettingsKey)) {
    const int sensitive = firstRun();
    if (key.CreateKey(root_, kSettingsKey) && key.Open(root_, kSettingsKey)) {
      key.WriteString("FromMailAdd", strings_.Text(kMsgFirstSender));
      key.WriteString("ToMailAdd", strings_.Text(kMsgFirstRecipient));
      key.WriteString("Smtp", strings_.Text(kMsgFirstServer));
      picture_.WriteDefaults(key);
      key.WriteNumber("Sensitive", static_cast<std::uint32_t>(sensitive));
      key.Close();
    }
  }
  if (!key.Open(root_, kSettingsKey)) return std::nullopt;
  StoredCctvSettings stored;
  const bool ok = key.ReadString("FromMailAdd", stored.sender) &&
                  key.ReadString("ToMailAdd", stored.recipient) &&
                  key.ReadString("Smtp", stored.server) &&
                  PictureControls::ReadValues(key, stored.picture) &&
                  key.ReadNumber("Sensitive", stored.sensitive);
  if (!ok) ShowString(boxes_, strings_, kMsgRegistryRead);
  key.Close();
  if (!ok) return std::nullopt;
  return stored;
}

bool CctvSettings::Save(const std::optional<std::string>& sender,
                        const std::optional<std::string>& recipient,
                        const std::optional<std::string>& server,
                        const std::string& sensitivityField) {
  std::vector<RegistryKey::ValueInfo> values;
  bool whole = true;
  for (const auto& [name, text] :
       {std::pair{"FromMailAdd", &sender}, std::pair{"ToMailAdd", &recipient},
        std::pair{"Smtp", &server}}) {
    if (*text) {
      values.push_back(RegistryKey::TextValue(name, **text));
    } else {
      whole = false;
    }
  }
  whole = picture_.AddValues(values) && whole;
  values.push_back(RegistryKey::NumberValue(
      "Sensitive", static_cast<std::uint32_t>(DecimalOf(sensitivityField))));

  RegistryKey key(root_);
  if (!key.OpenSubKey(kSettingsKey) && (!whole || !key.CreateKey(root_, kSettingsKey))) {
    return false;
  }
  return key.Open(root_, kSettingsKey) && key.WriteValues(values);
}

}  // namespace tavo::cctv
