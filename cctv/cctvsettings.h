// TavoCCTV's stored settings: the three mail texts, the three picture values and the sensitivity,
// in one key of the settings store. The first run creates the key; apply writes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "messageboxes.h"
#include "picturecontrols.h"
#include "registrykey.h"
#include "stringtable.h"

namespace tavo::cctv {

inline constexpr const char* kSettingsKey = "Software\\Kolbrant\\TavoCCTV_Info";

// Message numbers of the settings.
inline constexpr int kMsgRegistryRead = 3025;
inline constexpr int kMsgFirstSender = 3087;
inline constexpr int kMsgFirstRecipient = 3088;
inline constexpr int kMsgFirstServer = 3089;
inline constexpr int kMsgSettingsNotStored = 3096;

// The longest text a load reads back (the store's 200-byte read buffer, with its NUL), in bytes of
// UTF-8: a longer stored text would fail every later load.
inline constexpr std::size_t kMaxStoredTextBytes = 199;

// What a load reads, in the order the values are read.
struct StoredCctvSettings {
  std::string sender;     // "FromMailAdd"
  std::string recipient;  // "ToMailAdd"
  std::string server;     // "Smtp"
  PictureValues picture{};
  std::uint32_t sensitive = 0;  // the sensitivity slider's position
};

class CctvSettings {
 public:
  // Everything given must outlive the settings; `picture` holds the three picture values.
  CctvSettings(RegistryRoot root, const PictureControls& picture, MessageBoxes& boxes,
               const StringTable& strings);

  // Reads the key. When it cannot be opened (the first run), `firstRun` is called first: it
  // resets the camera's picture and returns the sensitivity position to store; then the key is
  // created with the prompt texts, the camera defaults and that position (write failures are not
  // told). None when the key still cannot be opened, or (after message 3025) when a value is
  // missing or unreadable.
  std::optional<StoredCctvSettings> Load(const std::function<int()>& firstRun);

  // Writes the seven values in one transaction: the three texts, the picture fields' values and
  // the decimal value of `sensitivityField`. A text given as none, or a picture field that never
  // showed a value, is left out and the store keeps what it holds (after a failed start or load
  // the panel holds nothing worth storing). False, with nothing written, when the store could not
  // be written, or when the key does not exist yet and a value would be left out: a key made
  // without it would fail every later load. Nothing is shown.
  bool Save(const std::optional<std::string>& sender, const std::optional<std::string>& recipient,
            const std::optional<std::string>& server, const std::string& sensitivityField);

 private:
  RegistryRoot root_;
  const PictureControls& picture_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
};

}  // namespace tavo::cctv
