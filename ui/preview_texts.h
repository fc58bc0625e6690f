// The preview window's texts, English and Japanese side by side (Japanese
// UTF-8 as every text of the program; the window shows them as UTF-16).
// Words that vary (a format's code, a reason, a time) follow a text rather
// than stand inside it, so that each text reads in the help as it is.
#pragma once
#include "app/texts.h"

namespace preview_text {

constexpr TextPair kTitle{"Tavrin - Preview", "Tavrin - プレビュー"};

// Buttons.
constexpr TextPair kFirst{"Home", "先頭"};
constexpr TextPair kPreviousKey{"< Key", "< キー"};
constexpr TextPair kPrevious{"< Frame", "< コマ"};
constexpr TextPair kNext{"Frame >", "コマ >"};
constexpr TextPair kNextKey{"Key >", "キー >"};
constexpr TextPair kLast{"End", "末尾"};
constexpr TextPair kUseAsSplitTime{"Use as split time", "分解時間に指定"};
constexpr TextPair kStartHere{"Start here", "ここから"};
constexpr TextPair kEndHere{"End here", "ここまで"};
constexpr TextPair kPlay{"Play", "再生"};
constexpr TextPair kStop{"Stop", "停止"};
// Plays what the Cut dialog's ranges keep, passing over what they drop.
constexpr TextPair kPlayKept{"Play kept ranges", "残す範囲を再生"};

// The line under the track bar: the time, then these.
constexpr TextPair kFrameOf{"frame %u of %u", "フレーム %u / %u"};
constexpr TextPair kKeyFrame{"key frame", "キーフレーム"};
constexpr TextPair kNotKeyFrame{"not a key frame", "キーフレームではない"};
constexpr TextPair kBytes{"%u bytes", "%u バイト"};
// The line after it: the split's cut (each followed by its time), or why there is none.
constexpr TextPair kCutAt{"cut: frame %u", "分解位置: フレーム %u"};
constexpr TextPair kSecondFrom{"2nd file from frame %u", "後半部の開始: フレーム %u"};
constexpr TextPair kNoCut{"no cut:", "分解位置なし:"};
constexpr TextPair kSizeSplit{"split by file size: the cut is found while splitting",
                              "サイズ指定: 分解位置は分解時に決まります"};

// The picture area.
constexpr TextPair kOpening{"Reading the file...", "ファイルを読み込み中..."};
// A codec that neither FFmpeg's decoders nor the system's decode; the format's
// code (FourCC) follows.
constexpr TextPair kNoDecoder{"Neither Tavrin nor this system has a decoder for this format: the picture cannot be "
                              "shown. Key frames, times, splits and cuts work as always.",
                              "Tavrinにもこのシステムにもこの形式のデコーダーがないため、映像を表示できません。"
                              "キーフレーム、時間、分解、カットは通常どおり使えます。"};
constexpr TextPair kFormat{"Format:", "形式:"};
constexpr TextPair kDecodeFailed{"The decoder could not decode this frame.",
                                 "デコーダーがこのフレームをデコードできませんでした。"};
constexpr TextPair kCannotOpen{"The file cannot be opened:", "ファイルを開けません:"};
constexpr TextPair kNotAvi{"This is not an AVI file.", "AVIファイルではありません。"};
constexpr TextPair kBrokenIndex{"The file's OpenDML indexes cannot be read:", "ファイルのOpenDMLインデックスを読めません:"};

}  // namespace preview_text
