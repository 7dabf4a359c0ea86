#include "mail/mailstrings.h"

namespace tavo::cctv {

namespace {

// Korean, English, Japanese; one row per number.
constexpr StringEntry kMailStrings[] = {
    {3014, "전송할 사진 읽기에 실패 했습니다.", "It is failed to read the images to transfer",
     "メールに添付するイメージファイルを読み込めません！"},
    {3015, "SMTP를 정확히 입력하세요.", "Input the SMTP correctly",
     "SMTPサーバーが正しいか確認してください。"},
    {3016, "보내는 사람의 E_Mail 주소를 정확히 입력하세요.",
     "Input the e-mail address of sending party correctly",
     "送信者アドレスが正しいか確認してください。"},
    {3017, "받는 사람의 E_Mail 주소를 정확히 입력하세요.",
     "Input the e-mail address of receiving party correctly",
     "受信者アドレスが正しいか確認してください。"},
    {3018, "전송할 첨부 파일이 없습니다.", "There's no attached file to transmit",
     "メールに添付するフ?イルがありません！"},
    {3019, "E_mail 전송에 실패 하였습니다. 메일 계정 및 주소를 다시 확인하세요.",
     "The e-mail transmission is failed. Check the mail ID and address again",
     "メール送信エラ?！設定情報を確認してください。"},
};

}  // namespace

std::span<const StringEntry> MailStrings() { return kMailStrings; }

}  // namespace tavo::cctv
