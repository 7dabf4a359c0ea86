#include "cctvstrings.h"

namespace tavo::cctv {

namespace {

// Korean, English, Japanese; one row per number.
constexpr StringEntry kStrings[] = {
    {3000, "Korean", "English", "Japanese"},
    {3003, "DirectX 8.1 을 설치 하세요.", "Install directX8.1",
     "directX8.1をインストールしています。"},
    // Capture graph messages.
    {3039, "장치 번호 오류. 번호가 너무 큽니다!", "Error Device Index. Index is So Big!",
     "デバイス番号のエラーです。番号が大きすぎます!"},
    {3045, "필터 그래프 생성 오류 !!", "Create the filter graph Error !!",
     "フィルタグラフの作成エラー !!"},
    {3046, "캡처 그래프 빌더 생성 오류 !!", "Create the capture graph builder Error !!",
     "キャプチャグラフビルダーの作成エラー !!"},
    {3047, "미디어 컨트롤과 비디오 창 인터페이스 획득 오류 !!",
     "Obtain interfaces for media control and Video Window Error !!",
     "メディアコントロールとビデオウィンドウのインターフェイス取得エラー !!"},
    {3048, "비디오 창 연결 오류 !!", "Video Window Link Error !!",
     "ビデオウィンドウの接続エラー !!"},
    {3049, "미디어 이벤트 연결 오류 !!", "Medai Event Link Error !!",
     "メディアイベントの接続エラー !!"},
    {3050, "시스템 열거자를 만들 수 없습니다!", "Couldn't create system enumerator!",
     "システム列挙子を作成できませんでした!"},
    {3051, "클래스 열거자를 만들 수 없습니다!", "Couldn't create class enumerator!",
     "クラス列挙子を作成できませんでした!"},
    {3052, "비디오 캡처 장치가 발견되지 않았습니다.\r\n\r\n",
     "No video capture device was detected.\r\n\r\n",
     "ビデオキャプチャデバイスが見つかりませんでした。\r\n\r\n"},
    {3053, "모니커를 필터 개체에 연결할 수 없습니다!", "Couldn't bind moniker to filter object!",
     "モニカをフィルタオブジェクトにバインドできませんでした!"},
    {3054, "비디오 캡처 장치에 접근할 수 없습니다!", "Unable to access video capture device!",
     "ビデオキャプチャデバイスにアクセスできません!"},
    {3057, "장치 번호 오류. 번호가 너무 큽니다!", "Error Device Index. Index is So Big!",
     "デバイス番号のエラーです。番号が大きすぎます!"},
    {3059, "그래프를 실행할 수 없습니다", "Couldn't run the graph", "グラフを実行できませんでした"},
    {3060, "닫기에 실패했습니다", "Close is failed", "終了に失敗しました"},
    {3062, "출력 창의 크기 입력 값에 오류가 있습니다",
     "There's an error in input size value of output windows",
     "出力ウィンドウのサイズ入力値にエラーがあります"},
    {3066, "AM_MEDIA_TYPE이 잘못되었습니다", "AM_MEDIA_TYPE is wrong",
     "AM_MEDIA_TYPE が正しくありません"},
    {3068, "핀 인터페이스가 없습니다", "Pin interface is not existing",
     "ピンインターフェイスがありません"},
    {3070, "비디오 인터페이스를 얻지 못했습니다", "Failed to get video interfaces",
     "ビデオインターフェイスを取得できませんでした"},
    {3071, "캡처 필터 그래프를 설정하지 못했습니다!", "Failed to set capture filter graph!",
     "キャプチャフィルタグラフを設定できませんでした!"},
    {3072, "캡처 필터를 그래프에 추가할 수 없습니다!", "Couldn't add capture filter to graph!",
     "キャプチャフィルタをグラフに追加できませんでした!"},
    {3074, "IBaseFilter가 NULL이므로 IPin을 얻을 수 없습니다",
     "As the IBaseFilter is NULL, it is not available to get the IPin",
     "IBaseFilter が NULL のため、IPin を取得できません"},
    {3075, "지원하지 않는 해상도입니다", "Image resolution is not supported",
     "この解像度はサポートされていません"},
    {3076, "변환 필터가 없습니다", "There's no changing filter", "変換フィルタがありません"},
    {3077, "미리보기가 이미 동작 중입니다", "Preview is already working",
     "プレビューはすでに動作中です"},
    {3078, "캡처 필터를 그래프에 추가할 수 없습니다!", "Couldn't add capture filter to graph!",
     "キャプチャフィルタをグラフに追加できませんでした!"},
    {3080, "오류", "Error", "エラー"},
    {3081, "SampleGrabber 인터페이스가 없습니다", "SampleGrabber interface is not existing",
     "SampleGrabber インターフェイスがありません"},
    {3082, "스트리밍이 동작하지 않습니다", "Streaming is not working",
     "ストリーミングが動作していません"},
    {3085, "장치에 맞는 인터페이스가 지원되지 않습니다",
     "The interface proper to the device is not supported",
     "デバイスに対応するインターフェイスがサポートされていません"},
};

}  // namespace

std::span<const StringEntry> CctvStrings() { return kStrings; }

}  // namespace tavo::cctv
