// The numbers of the mail alerts' messages in TavoCCTV's string table.
#pragma once

namespace tavo::cctv {

inline constexpr int kMsgCompositeUnreadable = 3014;
inline constexpr int kMsgBadSmtpServer = 3015;
inline constexpr int kMsgBadSender = 3016;
inline constexpr int kMsgBadRecipient = 3017;
inline constexpr int kMsgNoAttachment = 3018;
inline constexpr int kMsgMailFailed = 3019;

}  // namespace tavo::cctv
