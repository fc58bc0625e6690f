// Texts that several jobs say alike, English and Japanese side by side.
#pragma once
#include "texts/text_pair.h"

namespace texts {

inline constexpr TextPair kCompleted = {"Completed",
    "操作完了"};
inline constexpr TextPair kError = {"Error",
    "エラー"};
inline constexpr TextPair kAviFileNotRiff = {"Avi File?",
    "ファイルの解析に失敗しました"};
inline constexpr TextPair kAviFileUnsupported = {"Avi File???",
    "未対応のファイルです"};
inline constexpr TextPair kCannotCreateFile = {"Can't Create File",
    "ファイルが作成できません"};
inline constexpr TextPair kCannotReadFile = {"Can't Read File",
    "ファイルが読み込めません"};
inline constexpr TextPair kAnalyzing = {"Analyzing",
    "ファイル解析中"};
inline constexpr TextPair kFileCreating = {"File Creating",
    "ファイル作成中"};
inline constexpr TextPair kCannotCreateJoinedName = {"Can't Create save file name",
    "結合ファイル名を作成できません"};
inline constexpr TextPair kJoinedNameIsInput = {"Can't Create File (the joined file would replace an input file)",
    "ファイルが作成できません（結合ファイルが結合元ファイルと同じです）"};
inline constexpr TextPair kJoinedTooLarge = {"Can't Create File (the inputs' indexes name more data than the files hold)",
    "ファイルが作成できません（結合元ファイルのインデックスが実際より多くのデータを指しています）"};
inline constexpr TextPair kReplaceExisting = {"These files exist already:\n{1}\n\nReplace them?",
    "次のファイルは既に存在します:\n{1}\n\n置き換えますか?"};
// A file a job wrote, in the window's result: {1} its name, {2} its bytes.
inline constexpr TextPair kFileWritten = {"{1}: {2} bytes",
    "{1}: {2} バイト"};
inline constexpr TextPair kFileNotOpen = {"File not open",
    "ファイルが開けません"};
inline constexpr TextPair kFileDamaged = {"The file is damaged",
    "ファイルが壊れています"};
inline constexpr TextPair kCannotCreateOutputName = {"Can't Create save file name",
    "出力ファイル名を作成できません"};
inline constexpr TextPair kOpenDmlUnreadable = {"Avi File??? (its OpenDML index cannot be read)",
    "未対応のファイルです（OpenDML インデックスが読めません）"};
inline constexpr TextPair kNoSuchStream = {"No such stream in the file",
    "指定されたストリームがありません"};
inline constexpr TextPair kOutputCannotBeLaidOut = {"Can't Create File (the output cannot be laid out)",
    "ファイルが作成できません（出力ファイルを構成できません）"};

}  // namespace texts
