// Texts of the Operate menu's tools (join, split into pieces, cut, repair) that the
// program shows at run time, English and Japanese side by side (Japanese
// compiled to CP932 in the Windows build). The dialogs' own captions and
// labels are in resources/tool_dialogs.rc.
#pragma once
#include "app/texts.h"

namespace tool_text {

// Progress dialog titles.
constexpr TextPair kJoinTitle{"Tavrin - Join", "Tavrin - 連結"};
constexpr TextPair kPiecesTitle{"Tavrin - Split into Pieces", "Tavrin - 複数に分解"};
constexpr TextPair kRepairTitle{"Tavrin - Repair", "Tavrin - 修復"};
constexpr TextPair kCutTitle{"Tavrin - Cut", "Tavrin - カット"};

// The Join dialog.
constexpr TextPair kNotAviSkipped{"Not AVI File (left out):", "AVIファイルではありません（追加しません）："};

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

// Browse dialog titles.
constexpr TextPair kAddFilesTitle{"Add Files to Join", "連結するファイルを追加"};
constexpr TextPair kOutputTitle{"Joined File", "連結後のファイル"};
constexpr TextPair kChooseTitle{"Choose File", "ファイルを参照"};
constexpr TextPair kCutListTitle{"Load Cut List", "カットリストを読み込む"};
constexpr TextPair kCutOutputTitle{"Cut File", "カット後のファイル"};

}  // namespace tool_text
