// The messages of the mail alerts, in the three languages; rows to join TavoCCTV's table.
#pragma once

#include <span>

#include "stringtable.h"

namespace tavo::cctv {

inline constexpr int kMsgCompositeUnreadable = 3014;
inline constexpr int kMsgBadSmtpServer = 3015;
inline constexpr int kMsgBadSender = 3016;
inline constexpr int kMsgBadRecipient = 3017;
inline constexpr int kMsgNoAttachment = 3018;
inline constexpr int kMsgMailFailed = 3019;

// Strings 3014 to 3019.
std::span<const StringEntry> MailStrings();

}  // namespace tavo::cctv
