// Why an OpenDML file is refused, in both languages.
#include <cstdio>

#include "avi/odml_index.h"

namespace {

const TextPair kTexts[int(OdmlProblem::kCount)] = {
    /* kNone */ {"", ""},
    /* kTruncated */
    {"The file is cut short: it ends inside a RIFF list", "ファイルが途中で切れています（RIFF リストの途中で終わっています）"},
    /* kNoMoviList */ {"The file has no movi list", "ファイルに movi リストがありません"},
    /* kTooManyStreams */ {"The file has more than 10 streams", "ストリームが 10 を超えています"},
    /* kStreamWithoutIndex */
    {"A stream has no OpenDML index (indx) while another has one",
     "OpenDML インデックス (indx) のないストリームがあります"},
    /* kHeaderTooComplex */
    {"The file header holds too many index chunks", "ファイルヘッダーのインデックスチャンクが多すぎます"},
    /* kBadSuperIndex */
    {"Broken OpenDML index: an indx chunk is not a valid index of indexes",
     "OpenDML インデックスが壊れています（indx チャンクが不正です）"},
    /* kIndexPastEnd */
    {"Broken OpenDML index: an index points past the end of the file",
     "OpenDML インデックスが壊れています（インデックスがファイルの終わりより先を指しています）"},
    /* kBadStandardIndex */
    {"Broken OpenDML index: an index entry points at no ix## index of its stream",
     "OpenDML インデックスが壊れています（インデックスの指す先がそのストリームの ix## インデックスではありません）"},
    /* kFieldIndex */
    {"OpenDML field indexes (interlaced fields) are not supported",
     "フィールド単位の OpenDML インデックスには対応していません"},
    /* kChunkPastEnd */
    {"Broken OpenDML index: an entry points past the end of the file",
     "OpenDML インデックスが壊れています（エントリーがファイルの終わりより先を指しています）"},
    /* kWrongChunkId */
    {"Broken OpenDML index: an entry points at a chunk of another stream or at no chunk",
     "OpenDML インデックスが壊れています（エントリーの指す先が別のストリームのチャンクか、チャンクではありません）"},
    /* kWrongChunkSize */
    {"Broken OpenDML index: an entry's size differs from its chunk's",
     "OpenDML インデックスが壊れています（エントリーのサイズがチャンクのサイズと違います）"},
    /* kOutOfOrder */
    {"Broken OpenDML index: a stream's entries are not in file order",
     "OpenDML インデックスが壊れています（エントリーがファイルの順に並んでいません）"},
    /* kOverlap */
    {"Broken OpenDML index: entries name the same chunk twice or overlapping chunks",
     "OpenDML インデックスが壊れています（同じチャンクか重なるチャンクを指すエントリーがあります）"},
    /* kTooManyEntries */
    {"The file has more chunks than an AVI index can list", "チャンクの数が AVI インデックスの上限を超えています"},
    /* kCancelled */ {"Cancelled", "中止しました"},
};

}  // namespace

const TextPair& OdmlProblemText(OdmlProblem problem) {
  int i = int(problem);
  return kTexts[i >= 0 && i < int(OdmlProblem::kCount) ? i : 0];
}

std::string DescribeOdmlFault(const OdmlFault& fault, int englishUi) {
  std::string text = Pick(OdmlProblemText(fault.problem), englishUi);
  if (fault.problem == OdmlProblem::kNone || fault.problem == OdmlProblem::kCancelled) return text;
  char where[96];
  unsigned long long at = fault.position;
  if (fault.stream >= 0)
    std::snprintf(where, sizeof where, englishUi ? " (stream %d, at byte %llu)" : "（ストリーム %d、位置 %llu）",
                  fault.stream, at);
  else
    std::snprintf(where, sizeof where, englishUi ? " (at byte %llu)" : "（位置 %llu）", at);
  return text + where;
}
