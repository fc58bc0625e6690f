// The scan of a damaged recording: what is wrong with it (scan/damage_report.h),
// English and Japanese side by side. printf formats; the two languages take
// their figures in their own order (see DescribeDamage).
#pragma once
#include "texts/text_pair.h"

namespace texts {

inline constexpr TextPair kDamageCutShort = {"The file is cut short: it ends at byte %llu of the %llu its header promises.",
    "ファイルが途中で切れています（ヘッダーが示す %llu バイトのうち %llu バイトで終わっています）。"};
inline constexpr TextPair kDamageNoIndex = {"It has no index (no idx1, no ix##).",
    "インデックス（idx1、ix##）がありません。"};
inline constexpr TextPair kDamageIdx1Cut = {"%sIts idx1 index is cut after %llu of its %llu entries.",
    "インデックス（idx1）は %llu 項目のうち %llu 項目で切れています。"};
inline constexpr TextPair kDamageEntryMisses = {"%sIndex entry %llu (%s) misses its chunk (entries that miss: %llu).",
    "インデックスの %llu 番目の項目（%s）が指すチャンクがありません（全部で %llu 項目）。"};
inline constexpr TextPair kDamageUnindexed = {"%sIts index leaves %llu chunks out.",
    "インデックスに載っていないチャンクが %llu 個あります。"};
inline constexpr TextPair kDamageSkipped = {"%s%llu bytes from byte %llu on hold no chunk.",
    "%llu バイト目から %llu バイトがチャンクではありません。"};
inline constexpr TextPair kDamageRepairable = {"\n`tavrin repair` (or Repair in the window) can rebuild it: the repaired file would keep "
                      "%llu frames (%.3f s) in %llu chunks.",
    "\n修復（`tavrin repair` またはウィンドウの「修復」）で作り直せます。修復後のファイルには "
                       "%llu フレーム（%.3f 秒）、%llu チャンクが残ります。"};

}  // namespace texts
