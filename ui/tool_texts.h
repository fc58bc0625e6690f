// Texts of the Operate menu's tools (join, split into pieces, cut, streams, repair) that the
// program shows at run time, English and Japanese side by side (Japanese
// UTF-8 as every text of the program). The dialogs' own captions and
// labels are in resources/tool_dialogs.rc.
#pragma once
#include "app/texts.h"

namespace tool_text {

// Progress dialog titles.
constexpr TextPair kJoinTitle{"Tavrin - Join", "Tavrin - 連結"};
constexpr TextPair kPiecesTitle{"Tavrin - Split into Pieces", "Tavrin - 複数に分解"};
constexpr TextPair kRepairTitle{"Tavrin - Repair", "Tavrin - 修復"};
constexpr TextPair kCutTitle{"Tavrin - Cut", "Tavrin - カット"};
constexpr TextPair kStreamsTitle{"Tavrin - Streams", "Tavrin - ストリーム"};
constexpr TextPair kBatchTitle{"Tavrin - Batch", "Tavrin - 一括処理"};

// The Batch dialog: its list's columns, each recording's result, the job files.
constexpr TextPair kBatchFile{"Recording", "ファイル"};
constexpr TextPair kBatchResult{"Result", "結果"};
constexpr TextPair kBatchCompleted{"Completed", "完了"};
constexpr TextPair kBatchFailed{"Failed", "失敗しました"};
constexpr TextPair kBatchCancelled{"Cancelled", "中止しました"};
constexpr TextPair kBatchNotRun{"Not run", "未実行"};
constexpr TextPair kBatchFileOf{"File %d of %d: ", "ファイル %d/%d："};
constexpr TextPair kBatchAddFirst{"Add the recordings first.", "ファイルを追加してください。"};
constexpr TextPair kBatchJobFileTitle{"Job File", "ジョブファイル"};
constexpr TextPair kBatchCannotWrite{"The job file cannot be written:", "ジョブファイルを書き込めません："};
constexpr TextPair kBatchCannotRead{"The job file cannot be read:", "ジョブファイルを読み込めません："};
constexpr TextPair kBatchLinesLeft{"These lines of the job file are not shown (the Batch dialog runs one operation for all):",
                                   "次の行は表示しません（一括処理はすべてのファイルに同じ操作をします）："};
constexpr TextPair kBatchLine{"line %d: ", "%d 行目："};

// The Join dialog.
constexpr TextPair kNotAviSkipped{"Not AVI File (left out):", "AVIファイルではありません（追加しません）："};

// The folder picker of the Save in fields (ui/save_in.h).
constexpr TextPair kSaveInTitle{"Choose the folder for the outputs",
                                "出力ファイルの保存先フォルダを選んでください"};

// The Split-into-pieces dialog and Repair.
constexpr TextPair kChooseFileFirst{"Choose the AVI file first.", "AVIファイルを指定してください。"};

// Asked after a split or merge refused a damaged input (its own message came first).
constexpr TextPair kOfferRepair{
    "The file looks damaged: it is cut short or has no usable index.\n"
    "Repair it now? A repaired copy is written beside it; the file itself is left as it is.",
    "ファイルが壊れているようです（途中で切れているか、使えるインデックスがありません）。\n"
    "今すぐ修復しますか？ 修復したコピーを同じフォルダに作成します。元のファイルは変更しません。"};

// The Cut dialog.
constexpr TextPair kCutListFound{"A cut list lies beside the recording:", "録画と同じ名前のカットリストがあります："};
constexpr TextPair kCutLoadIt{"Load its ranges?", "その範囲を読み込みますか？"};
constexpr TextPair kCutNoRate{"This frame list gives no frame rate: its frames cannot be turned into times.",
                              "このフレームリストにはフレームレートがないため、時間に変換できません。"};
constexpr TextPair kCutKeeps{"keeps frames", "残すフレーム"};
constexpr TextPair kCutDrops{"drops frames:", "削除するフレーム数："};
constexpr TextPair kCutFromStart{"start", "先頭"};
constexpr TextPair kCutToEnd{"end", "最後"};
constexpr TextPair kCutSummary{"%u of %u frames kept, %u dropped", "%u / %u フレームを残し、%u フレームを削除"};
constexpr TextPair kCutNeedRange{"Add a range first.", "範囲を追加してください。"};
// Find breaks: the progress dialog's title and status, each found range's
// mark in the list, and what is said when nothing or no result comes.
constexpr TextPair kBreaksTitle{"Tavrin - Find Breaks", "Tavrin - 区切り検出"};
constexpr TextPair kBreaksFinding{"Looking for black pictures and silence...", "黒い画面と無音を探しています..."};
constexpr TextPair kBreakBlack{"black", "黒画面"};
constexpr TextPair kBreakSilence{"silence", "無音"};
constexpr TextPair kBreaksNone{"No black pictures or silence of 0.5 s or more were found.",
                               "0.5 秒以上の黒い画面や無音は見つかりませんでした。"};
constexpr TextPair kBreaksFailed{"The breaks could not be found:", "区切りを検出できませんでした："};

// The Streams dialog.
constexpr TextPair kStreamsNumber{"No.", "番号"};
constexpr TextPair kStreamsKind{"Kind", "種類"};
constexpr TextPair kStreamsCodec{"Codec", "コーデック"};
constexpr TextPair kStreamsDetails{"Details", "詳細"};
constexpr TextPair kStreamsNoSound{"Sound file: none (Write keeps the checked streams)",
                                   "音声ファイル：なし（書き込みでチェックしたストリームを残します）"};
constexpr TextPair kStreamsAdds{"Write adds this sound file as a new stream (the check boxes do not apply):",
                                "書き込みでこの音声ファイルを新しいストリームとして追加します（チェックは使いません）："};
constexpr TextPair kStreamsReplaces{"Write puts this sound file in place of stream %d (the check boxes do not apply):",
                                    "書き込みでこの音声ファイルをストリーム %d と置き換えます（チェックは使いません）："};
constexpr TextPair kStreamsSelectStream{"Select a stream in the list first.", "一覧でストリームを選択してください。"};
constexpr TextPair kStreamsSelectSound{"Select the sound stream to replace in the list first.",
                                       "一覧で置き換える音声ストリームを選択してください。"};
constexpr TextPair kStreamsUncheck{
    "Every stream is checked: uncheck the streams to leave out, or choose a sound file or an offset.",
    "すべてのストリームがチェックされています。削除するストリームのチェックを外すか、音声ファイルまたはオフセットを指定してください。"};

// Browse dialog titles.
constexpr TextPair kAddFilesTitle{"Add Files to Join", "連結するファイルを追加"};
constexpr TextPair kOutputTitle{"Joined File", "連結後のファイル"};
constexpr TextPair kChooseTitle{"Choose File", "ファイルを参照"};
constexpr TextPair kCutListTitle{"Load Cut List", "カットリストを読み込む"};
constexpr TextPair kCutOutputTitle{"Cut File", "カット後のファイル"};
constexpr TextPair kStreamSaveTitle{"Save Stream", "ストリームを保存"};
constexpr TextPair kSoundFileTitle{"Choose Sound File", "音声ファイルを選択"};
constexpr TextPair kStreamsOutputTitle{"Write File", "書き込むファイル"};

}  // namespace tool_text
