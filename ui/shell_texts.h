// The main window's and About box's user-visible texts, English and Japanese
// side by side, UTF-8 (shown through the W functions, whatever the code page).
#pragma once
#include "app/texts.h"

namespace shell_text {

constexpr const char* kCaption = "Tavrin";

// Tabs and the execute button / menu items rewritten by ShowTab.
constexpr TextPair kTabSplit{"Split", "分解"};
constexpr TextPair kTabMerge{"Merge", "結合"};
constexpr TextPair kExecuteSplit{"Split", "分解"};
constexpr TextPair kExecuteSplitMerge{"Split-Merge", "分解-結合"};
constexpr TextPair kExecuteMerge{"Merge", "結合"};
constexpr TextPair kMenuRef{"&Ref", "参照(&R)"};
constexpr TextPair kMenuRef1{"Ref&1", "参照１(&1)"};
constexpr TextPair kMenuRef2{"Ref&2", "参照２(&2)"};
constexpr TextPair kMenuSplit{"&Split", "分解(&S)"};
constexpr TextPair kMenuSplitMerge{"&Split-Merge", "分解-結合(&S)"};
constexpr TextPair kMenuMerge{"&Merge", "結合(&M)"};
constexpr TextPair kMenuMergeTab{"&Merge Tab", "結合タブ(&M)"};
constexpr TextPair kMenuSplitTab{"&Split Tab", "分解タブ(&S)"};

// Messages of the main window and of file choosing.
constexpr TextPair kBreak{"Break", "操作が中断されました"};
constexpr TextPair kHelpNotFound{"Help File Not Found", "ヘルプファイルの起動に失敗しました"};
constexpr TextPair kOneFileOnly{"You can drag One File", "ドラッグできるファイルは一つです"};
constexpr TextPair kNotAvi{"Not AVI File", "AVIファイルではありません"};
// No settings file can be written ({1}: the file, or the two places tried).
constexpr TextPair kSettingsNotWritable{
    "The settings cannot be saved: Tavrin cannot write\n{1}\n\nIt works as usual, but "
    "the window's position and choices will not be kept when it closes.",
    "設定を保存できません。次の場所に書き込めません:\n{1}\n\nTavrinはこのまま使えますが、"
    "終了時にウィンドウの位置と選択は保存されません。"};

// Browse dialog title: Japanese only; English uses the system's default title.
constexpr const char* kBrowseTitleJapanese = "ファイルを参照";

// About box.
constexpr TextPair kAboutTitle{"About Tavrin", "Tavrinについて"};
constexpr TextPair kAboutButton{"OK", "OK"};
constexpr const char* kAboutFontJapanese = "ＭＳ Ｐゴシック";

}  // namespace shell_text
