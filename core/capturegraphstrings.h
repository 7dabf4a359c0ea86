// The capture graph's messages: their numbers and their one text in each language. Both
// programs show them, each under its own numbers, so each program's table takes these rows with
// its own offset instead of keeping a copy.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>

#include "stringtable.h"

namespace tavo {

// Message numbers as TavoPreview numbers them; a program passes its offset (TavoCCTV: 14).
enum CaptureGraphMessage : int {
  kMsgGetDeviceIndexTooBig = 3025,
  kMsgCreateFilterGraph = 3031,
  kMsgCreateCaptureGraphBuilder = 3032,
  kMsgMediaControl = 3033,
  kMsgVideoWindowLink = 3034,
  kMsgMediaEventLink = 3035,
  kMsgCreateSystemEnumerator = 3036,
  kMsgCreateClassEnumerator = 3037,
  kMsgNoCaptureDevice = 3038,
  kMsgBindMoniker = 3039,
  kMsgAccessCaptureDevice = 3040,
  kMsgSelectDeviceIndexTooBig = 3043,
  kMsgRunGraph = 3045,
  kMsgCloseFailed = 3046,
  kMsgVideoWindowSize = 3048,
  kMsgMediaTypeWrong = 3052,
  kMsgPinMissing = 3054,
  kMsgVideoInterfaces = 3056,
  kMsgSetFilterGraph = 3057,
  kMsgAddCaptureFilter = 3058,
  kMsgSourceMissing = 3060,
  kMsgResolutionNotSupported = 3061,
  kMsgNoConverter = 3062,
  kMsgAlreadyWorking = 3063,
  kMsgAddGrabber = 3064,
  kMsgStopFailed = 3066,
  kMsgGrabberMissing = 3067,
  kMsgNotStreaming = 3068,
  kMsgProcAmpMissing = 3071,
};

// The texts as the programs have always shown them, misspellings included.
inline constexpr StringEntry kCaptureGraphStrings[] = {
    {kMsgGetDeviceIndexTooBig, "장치 번호 오류. 번호가 너무 큽니다!",
     "Error Device Index. Index is So Big!", "デバイス番号のエラーです。番号が大きすぎます!"},
    {kMsgCreateFilterGraph, "필터 그래프 생성 오류 !!", "Create the filter graph Error !!",
     "フィルタグラフの作成エラー !!"},
    {kMsgCreateCaptureGraphBuilder, "캡처 그래프 빌더 생성 오류 !!",
     "Create the capture graph builder Error !!", "キャプチャグラフビルダーの作成エラー !!"},
    {kMsgMediaControl, "미디어 컨트롤과 비디오 창 인터페이스 획득 오류 !!",
     "Obtain interfaces for media control and Video Window Error !!",
     "メディアコントロールとビデオウィンドウのインターフェイス取得エラー !!"},
    {kMsgVideoWindowLink, "비디오 창 연결 오류 !!", "Video Window Link Error !!",
     "ビデオウィンドウの接続エラー !!"},
    {kMsgMediaEventLink, "미디어 이벤트 연결 오류 !!", "Medai Event Link Error !!",
     "メディアイベントの接続エラー !!"},
    {kMsgCreateSystemEnumerator, "시스템 열거자를 만들 수 없습니다!",
     "Couldn't create system enumerator!", "システム列挙子を作成できませんでした!"},
    {kMsgCreateClassEnumerator, "클래스 열거자를 만들 수 없습니다!",
     "Couldn't create class enumerator!", "クラス列挙子を作成できませんでした!"},
    {kMsgNoCaptureDevice, "비디오 캡처 장치가 발견되지 않았습니다.\r\n\r\n",
     "No video capture device was detected.\r\n\r\n",
     "ビデオキャプチャデバイスが見つかりませんでした。\r\n\r\n"},
    {kMsgBindMoniker, "모니커를 필터 개체에 연결할 수 없습니다!",
     "Couldn't bind moniker to filter object!",
     "モニカをフィルタオブジェクトにバインドできませんでした!"},
    {kMsgAccessCaptureDevice, "비디오 캡처 장치에 접근할 수 없습니다!",
     "Unable to access video capture device!", "ビデオキャプチャデバイスにアクセスできません!"},
    {kMsgSelectDeviceIndexTooBig, "장치 번호 오류. 번호가 너무 큽니다!",
     "Error Device Index. Index is So Big!", "デバイス番号のエラーです。番号が大きすぎます!"},
    {kMsgRunGraph, "그래프를 실행할 수 없습니다", "Couldn't run the graph",
     "グラフを実行できませんでした"},
    {kMsgCloseFailed, "닫기에 실패했습니다", "Close is failed", "終了に失敗しました"},
    {kMsgVideoWindowSize, "출력 창의 크기 입력 값에 오류가 있습니다",
     "There's an error in input size value of output windows",
     "出力ウィンドウのサイズ入力値にエラーがあります"},
    {kMsgMediaTypeWrong, "AM_MEDIA_TYPE이 잘못되었습니다", "AM_MEDIA_TYPE is wrong",
     "AM_MEDIA_TYPE が正しくありません"},
    {kMsgPinMissing, "핀 인터페이스가 없습니다", "Pin interface is not existing",
     "ピンインターフェイスがありません"},
    {kMsgVideoInterfaces, "비디오 인터페이스를 얻지 못했습니다", "Failed to get video interfaces",
     "ビデオインターフェイスを取得できませんでした"},
    {kMsgSetFilterGraph, "캡처 필터 그래프를 설정하지 못했습니다!",
     "Failed to set capture filter graph!", "キャプチャフィルタグラフを設定できませんでした!"},
    {kMsgAddCaptureFilter, "캡처 필터를 그래프에 추가할 수 없습니다!",
     "Couldn't add capture filter to graph!", "キャプチャフィルタをグラフに追加できませんでした!"},
    {kMsgSourceMissing, "IBaseFilter가 NULL이므로 IPin을 얻을 수 없습니다",
     "As the IBaseFilter is NULL, it is not available to get the IPin",
     "IBaseFilter が NULL のため、IPin を取得できません"},
    {kMsgResolutionNotSupported, "지원하지 않는 해상도입니다", "Image resolution is not supported",
     "この解像度はサポートされていません"},
    {kMsgNoConverter, "변환 필터가 없습니다", "There's no changing filter",
     "変換フィルタがありません"},
    {kMsgAlreadyWorking, "미리보기가 이미 동작 중입니다", "Preview is already working",
     "プレビューはすでに動作中です"},
    {kMsgAddGrabber, "캡처 필터를 그래프에 추가할 수 없습니다!",
     "Couldn't add capture filter to graph!", "キャプチャフィルタをグラフに追加できませんでした!"},
    {kMsgStopFailed, "오류", "Error", "エラー"},
    {kMsgGrabberMissing, "SampleGrabber 인터페이스가 없습니다",
     "SampleGrabber interface is not existing", "SampleGrabber インターフェイスがありません"},
    {kMsgNotStreaming, "스트리밍이 동작하지 않습니다", "Streaming is not working",
     "ストリーミングが動作していません"},
    {kMsgProcAmpMissing, "장치에 맞는 인터페이스가 지원되지 않습니다",
     "The interface proper to the device is not supported",
     "デバイスに対応するインターフェイスがサポートされていません"},
};

inline constexpr std::size_t kCaptureGraphStringCount = std::size(kCaptureGraphStrings);

// A program's whole table: its own rows followed by the capture graph's, each renumbered by
// `offset`.
template <std::size_t N>
constexpr std::array<StringEntry, N + kCaptureGraphStringCount> WithCaptureGraphStrings(
    const StringEntry (&own)[N], int offset) {
  std::array<StringEntry, N + kCaptureGraphStringCount> table{};
  std::size_t i = 0;
  for (const StringEntry& entry : own) table[i++] = entry;
  for (StringEntry entry : kCaptureGraphStrings) {
    entry.id += offset;
    table[i++] = entry;
  }
  return table;
}

}  // namespace tavo
