#include "previewstrings.h"

#include "capturegraphstrings.h"

namespace tavo::preview {

namespace {

// Korean, English, Japanese; one row per number.
constexpr StringEntry kOwnStrings[] = {
    {101, "TavoPreview 정보(&A)...", "TavoPreview Infomation(&A)...",
     "TavoPreviewのバージョン情報(&A)..."},
    {3000, "Korean", "English", "Japanese"},
    // Start-up and the control bar.
    {3001, "프로그램이 이미 실행 중이거나 종료 중입니다.",
     "The program is already in process or, finishing", "プログラムは既に実行中か、終了中です。"},
    {3002, "스냅샷 이미지", "Snapshot image", "スナップショット"},
    {3003, "미리보기/정지", "Preview/Stop", "プレビュー／停止"},
    {3004, "환경설정", "Environment setup", "環境設定"},
    {3005, "항상위로/해제", "Always upward/Cancel", "常に前面／解除"},
    {3007, "이미지를 로드 실패!", "Image load failure", "画像読み込みエラー！"},
    {3008, "DirectX 8.1 을 설치 하세요.", "Install directX8.1",
     "DirectX 8.1をインストールしてください。"},
    {3010, "비디오 장치가 존재하지 않아 프로그램을 종료합니다.",
     "As there's no video device, the program is shut down",
     "ビデオデバイスが接続されていません！TavoPreviewを終了します。"},
    {3017, "비디오 Preview에 실패 하였습니다.", "Video preview is failed", "プレビューエラー！"},
    {3018, "비디오 속성 변경을 제공하지 않습니다.", "The change of video feature is not provided",
     "カメラデバイスが対応していません！"},
    {3019, "스냅샷 실패!", "Snapshot failure", "スナップショットエラー！"},
    // Snapshots, their dialog and viewer.
    {3021, "출력 Render 실패!!!", "Output render failure", "出力ストリームエラー！"},
    {3072, "스냅샷 저장 실패!", "Sanpshot saving failure", "スナップショットを保存できません！"},
    {3074, "출력 Render 실패!!!", "Output render failure", "出力ストリームエラー！"},
    {3076, "비트맵 읽기 실패!", "Bitmap reading failure", "ビットマップ読み込みエラー！"},
    {3079, "스냅샷 저장 실패!", "Sanpshot saving failure", "スナップショットを保存できません！"},
    {3080, "삭제할 이미지가 선택되지 않았거나\n삭제할 이미지가 없습니다.",
     "The image to delete is not selected, or there's no \n or image to delete",
     "削除するイメージが選択されていないか、\n削除するイメージがありません。"},
    {3081, "저장할 이미지 데이터가 없습니다.", "There's no image data to save",
     "保存するイメージがありません！"},
    // The configuration dialog and the preview window.
    {3082, "비디오 속성 변경을 제공하지 않습니다.", "The change of video feature is not provided",
     "カメラデバイスが対応していません！"},
    {3083, "미리보기 창 이미지 로드 실패!", "Preview Dalog image load failure",
     "プレビューウィンドウの画像読み込みエラー！"},
    {3084, "Registry를 읽을 수 없습니다.", "The Registry can't be read",
     "レジストリを読み込みエラー！"},
    {3085, "도움말 파일을 찾지 못했습니다.", "The Help file is not found",
     "ヘルプファイルが見つかりません！"},
    // A picture setting could not be written to the settings store.
    {3096, "설정을 저장하지 못했습니다. 설정 파일에 쓸 수 있는지 확인하세요.",
     "The settings could not be saved. Check that the settings file can be written.",
     "設定を保存できませんでした。設定ファイルに書き込めるか確認してください。"},
};

// The capture graph's messages under their own numbers.
constexpr auto kStrings = WithCaptureGraphStrings(kOwnStrings, kCaptureGraphMessageOffset);
static_assert(NumbersAreUnique(kStrings));

}  // namespace

std::span<const StringEntry> PreviewStrings() { return kStrings; }

}  // namespace tavo::preview
