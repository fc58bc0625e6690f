#include "split/split_texts.h"

namespace {

const TextPair kTexts[kSplitTextCount] = {
    /* kTextOverlapInvalid */ {"[Overlap] bad value", "「オーバーラップ」入力値に誤りがあります"},
    /* kTextOverlapRange */ {"[Overlap] bad value(0-60)", "「オーバーラップ」入力値に誤りがあります(0-60)"},
    /* kTextPluginCompleted */ {"Completed", "操作完了"},
    /* kTextPluginError */ {"Error", "エラー"},
    /* kTextHoursInvalid */ {"[hr] bad value", "「時間」入力値に誤りがあります"},
    /* kTextMinutesInvalid */ {"[min] bad value", "「分」入力値に誤りがあります"},
    /* kTextSecondsInvalid */ {"[sec] bad value", "「秒」入力値に誤りがあります"},
    /* kTextTimeZero */ {"[Time] bad value", "「時間指定」の入力値に誤りがあります"},
    /* kTextFileNotOpen */ {"File not open", "「分解元ファイル」が開けません"},
    /* kTextFileTooLarge */ {"File size is too large", "「分解元ファイル」のサイズが大きすぎます"},
    /* kTextNotRiff */ {"Avi File?", "ファイルの解析に失敗しました"},
    /* kTextAnalyzing */ {"Analyzing", "ファイル解析中"},
    /* kTextFileCreating */ {"File Creating", "ファイル作成中"},
    /* kTextSplitCompleted */
    {"Completed\n\nIf 2nd file can't be played,\nUse Windows Media Player 6\n"
     "(Program Files\\Windows Media Player\\Mplayer2.exe)",
     "操作完了\n\n（分解後半部のみ再生に失敗する場合は\nWindows Media Player 6 をご使用ください\n"
     "詳細はヘルプファイル参照のこと）"},
    /* kTextUnsupportedFile */ {"Avi File???", "未対応のファイルです"},
    /* kTextCannotSplitAtTime */ {"Can't Split at [Time]", "「時間指定」値で分解できません"},
    /* kTextCannotCreateFile */ {"Can't Create File", "ファイルが作成できません"},
    /* kTextOverlapTooLong */ {"[Overlap] is too long", "「オーバーラップ」値が長すぎます"},
    /* kTextCannotSplitAtOverlap */ {"Can't Split at [Overlap]", "指定「オーバーラップ」値で分解できません"},
    /* kTextTimeTooLong */ {"[Time] is too long", "「時間指定」値が長すぎます"},
    /* kTextError */ {"Error", "エラー"},
    /* kTextSizeInvalid */ {"[File size] bad value", "「サイズ指定」入力値に誤りがあります"},
    /* kTextAlreadyFits */ {"File already fits in [File size]", "ファイルは既に「サイズ指定」値以内です"},
    /* kTextSizeTooSmall */ {"[File size] is too small", "「サイズ指定」値が小さすぎます"},
};

}  // namespace

const TextPair& SplitText(SplitTextId id) { return kTexts[id]; }

const TextPair& SplitResultText(int32_t code) {
  switch (code) {
    case 0: return kTexts[kTextSplitCompleted];
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: return kTexts[kTextUnsupportedFile];
    case 9: return kTexts[kTextCannotSplitAtTime];
    case 11: case 12: return kTexts[kTextCannotCreateFile];
    case 23: return kTexts[kTextOverlapTooLong];
    case 24: case 25: return kTexts[kTextCannotSplitAtOverlap];
    case 100: return kTexts[kTextTimeTooLong];
    case 30: return kTexts[kTextAlreadyFits];
    case 31: return kTexts[kTextSizeTooSmall];
    case 32: return kTexts[kTextSizeInvalid];
    default: return kTexts[kTextError];
  }
}
