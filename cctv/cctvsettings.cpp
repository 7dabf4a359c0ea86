#include "cctvsettings.h"

#include <utility>

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

void CctvSettings::Save(const std::string& sender, const std::string& recipient,
                        const std::string& server, const std::string& sensitivityField) {
  RegistryKey key(root_);
  if (!key.OpenSubKey(kSettingsKey)) key.CreateKey(root_, kSettingsKey);
  key.Open(root_, kSettingsKey);
  key.WriteString("FromMailAdd", sender);
  key.WriteString("ToMailAdd", recipient);
  key.WriteString("Smtp", server);
  picture_.WriteValues(key);
  key.WriteNumber("Sensitive", static_cast<std::uint32_t>(DecimalOf(sensitivityField)));
  key.Close();
}

}  // namespace tavo::cctv
