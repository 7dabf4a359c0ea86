#include "cctvstrings.h"

#include "capturegraphstrings.h"

namespace tavo::cctv {

namespace {

// Korean, English, Japanese; one row per number.
constexpr StringEntry kOwnStrings[] = {
    {101, "TavoCCTV 정보(&A)...", "TavoCCTV Info(&A)...", "TavoCCTVのバージョン情報(&A)..."},
    {3000, "Korean", "English", "Japanese"},
    // Start-up and the main window.
    {3002, "이미지를 로드 실패!", "Image load failure", "画像読み込みエラー！"},
    {3003, "DirectX 8.1 을 설치 하세요.", "Install directX8.1",
     "directX8.1をインストールしています。"},
    {3008, "비디오 Preview에 실패 하였습니다.", "Video preview is failed", "プレビューエラー！"},
    {3009, "비디오 장치가 존재하지 않아 프로그램을 종료합니다.",
     "As there's no video device, the program is shut down",
     "ビデオデバイスが接続されていません！TavoCCTVを終了します。"},
    {3010, "비디오 속성 변경을 제공하지 않습니다.", "The change of video feature is not provided",
     "カメラデバイスが対応していません！"},
    {3011, "도움말 파일을 찾지 못했습니다.", "The Help file is not found",
     "ヘルプファイルが見つかりません！"},
    {3012, "Unknow Timer", "Unknow Timer", "Unknow Timer"},
    // Mail alerts.
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
     "メールに添付するファイルがありません！"},
    {3019, "E_mail 전송에 실패 하였습니다. 메일 계정 및 주소를 다시 확인하세요.",
     "The e-mail transmission is failed. Check the mail ID and address again",
     "メール送信エラー！設定情報を確認してください。"},
    // The viewer.
    {3020, "출력 Render 실패!!!", "Output render failure", "出力ストリームエラー！"},
    {3021, "전송할 사진 읽기에 실패 했습니다.", "It is failed to read the images to transfer",
     "メールに添付するイメージファイルを読み込めません！"},
    {3022, "Snapshot 저장 실패!", "Snapshot saving failure", "スナップショットを保存できません！"},
    {3023, "저장할 데이터가 없거나 오류가 발생 하였습니다.",
     "There's no data to save or error occurred", "保存するイメージがありません！"},
    // Settings.
    {3024, "비디오 초기화 장치를 제공하지 않습니다.", "Video initializing device is not provided",
     "ビデオデバイスが対応していません！"},
    {3025, "Registry를 읽을 수 없습니다.", "The Registry can't be read",
     "レジストリを読み込みエラー！"},
    {3026, "비디오 Preview_Start 실패!", "Video Preview_Start failure", "プレビューエラー！"},
    // Tooltips of the main window.
    {3027, "촬영된 사진 보기/닫기", "Open the captured image/Close", "スライドウィンドウ／閉じる"},
    {3028, "CCTV 시작/정지", "Start CCTV/Stop", "CCTV 開始／停止"},
    {3029, "환경설정/닫기", "Setup environment/Close", "環境設定／閉じる"},
    {3030, "항상위로/해제", "Always upward/Cancel", "常に前面／解除"},
    {3031, "슬라이드 보기 속도 증가", "Slide view speed increase", "再生速度＋"},
    {3032, "슬라이드 보기 속도 감소", "Slide view speed decrease", "再生速度－"},
    {3033, "적용", "Application", "アプリケーション"},
    {3034, "도움말", "Help", "ヘルプ"},
    {3035, "최소화", "Minimize", "最小化"},
    {3036, "종료", "Exit", "終了"},
    // 3039 to 3085: the capture graph's messages, joined from the core's table below.
    // The hint under the preview.
    {3086, "프리뷰 스크린을 더블 클릭하면 이미지를 저장할 수 있습니다.",
     "Double-click the Preview Screen to save the image.",
     "イメージを保存するには、プレビューウィンドウのイメージをダブルクリックしてください。"},
    // First-run texts of the mail fields.
    {3087, "보내는 이의 메일 주소 입력", "Input Sender's e_mail address",
     "送信者のメールアドレスを入力してください！"},
    {3088, "받는 이의 메일 주소 입력", "Input Receiver's e_mail address",
     "宛先のメールアドレスを入力してください！"},
    {3089, "보내는 메일 서버 입력", "Input Sender's mail server name",
     "メール送信に使用するSMTPサーバー名を入力してください！"},
    // Surveillance that cannot go on.
    {3090, "사진을 저장할 수 없어 감시를 멈춥니다. 디스크 공간과 CCTV_Image 폴더를 확인하세요.",
     "The image cannot be saved, so surveillance has stopped. Check the free disk space and the "
     "CCTV_Image folder.",
     "画像を保存できないため、監視を停止しました。ディスクの空き容量とCCTV_Imageフォルダを確認して"
     "ください。"},
    {3091,
     "카메라가 동작을 멈췄습니다. 카메라가 다시 연결되면 바로 다시 사용하며, 감시 중이었다면 "
     "새 폴더에서 감시를 이어갑니다. 카메라 연결을 확인하세요.",
     "The camera has stopped working. TavoCCTV uses it again as soon as it is back and, if "
     "surveillance was on, goes on recording in a new folder. Check the camera's connection.",
     "カメラが停止しました。カメラが戻りしだい再び使用し、監視中だった場合は新しいフォルダーで"
     "録画を続けます。カメラの接続を確認してください。"},
    {3092, "TavoCCTV 정보", "About TavoCCTV", "TavoCCTVについて"},
    {3093, "폴더를 모두 지우지 못했습니다. 폴더 안의 파일이 사용 중인지 확인하세요.",
     "The folder could not be deleted completely. Check whether a file in it is in use.",
     "フォルダを完全に削除できませんでした。使用中のファイルがないか確認してください。"},
    // Apply could not store the settings.
    {3096, "설정을 저장하지 못했습니다. 설정 파일에 쓸 수 있는지 확인하세요.",
     "The settings could not be saved. Check that the settings file can be written.",
     "設定を保存できませんでした。設定ファイルに書き込めるか確認してください。"},
};

constexpr auto kStrings = WithCaptureGraphStrings(kOwnStrings, kCaptureGraphMessageOffset);
static_assert(NumbersAreUnique(kStrings));

}  // namespace

std::span<const StringEntry> CctvStrings() { return kStrings; }

}  // namespace tavo::cctv
