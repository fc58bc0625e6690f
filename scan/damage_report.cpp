#include "scan/damage_report.h"

#include <cstdarg>
#include <cstdio>

#include "avi/byte_input.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

using ull = unsigned long long;

}  // namespace

DamageReport DescribeDamage(const RepairScan& scan) {
  DamageReport r;
  if (scan.refusal != RepairRefusal::None || scan.Intact()) return r;
  r.damaged = true;
  if (scan.CutShort()) {
    r.english += Format("The file is cut short: it ends at byte %llu of the %llu its header promises.",
                        ull(scan.fileBytes), ull(scan.promisedBytes));
    r.japanese += Format("ファイルが途中で切れています（ヘッダーが示す %llu バイトのうち %llu バイトで終わっています）。",
                         ull(scan.promisedBytes), ull(scan.fileBytes));
  }
  if (!scan.HasIndex()) {
    r.english += std::string(r.english.empty() ? "" : " ") + "It has no index (no idx1, no ix##).";
    r.japanese += "インデックス（idx1、ix##）がありません。";
  } else if (scan.idx1 && scan.idx1Whole < scan.idx1Entries) {
    r.english += Format("%sIts idx1 index is cut after %llu of its %llu entries.", r.english.empty() ? "" : " ",
                        ull(scan.idx1Whole), ull(scan.idx1Entries));
    r.japanese += Format("インデックス（idx1）は %llu 項目のうち %llu 項目で切れています。", ull(scan.idx1Entries),
                         ull(scan.idx1Whole));
  }
  if (scan.firstMissingIdx1 >= 0 || scan.firstMissingStandard >= 0) {
    const bool idx1 = scan.firstMissingIdx1 >= 0;
    const ull k = ull(idx1 ? scan.firstMissingIdx1 : scan.firstMissingStandard);
    r.english += Format("%sIndex entry %llu (%s) misses its chunk (entries that miss: %llu).", r.english.empty() ? "" : " ",
                        k, idx1 ? "idx1" : "ix##", ull(scan.entriesMissing));
    r.japanese += Format("インデックスの %llu 番目の項目（%s）が指すチャンクがありません（全部で %llu 項目）。", k,
                         idx1 ? "idx1" : "ix##", ull(scan.entriesMissing));
  } else if (scan.HasIndex() && scan.unindexed > 0) {
    r.english += Format("%sIts index leaves %llu chunks out.", r.english.empty() ? "" : " ", ull(scan.unindexed));
    r.japanese += Format("インデックスに載っていないチャンクが %llu 個あります。", ull(scan.unindexed));
  }
  if (scan.skippedBytes > 0) {
    r.english += Format("%s%llu bytes from byte %llu on hold no chunk.", r.english.empty() ? "" : " ",
                        ull(scan.skippedBytes), ull(scan.firstSkipped));
    r.japanese += Format("%llu バイト目から %llu バイトがチャンクではありません。", ull(scan.firstSkipped),
                         ull(scan.skippedBytes));
  }
  const double seconds = scan.Seconds();
  const ull frames = ull(scan.VideoFrames());
  r.english += Format("\n`tavrin repair` (or Repair in the window) can rebuild it: the repaired file would keep "
                      "%llu frames (%.3f s) in %llu chunks.",
                      frames, seconds, ull(scan.chunks.Size()));
  r.japanese += Format("\n修復（`tavrin repair` またはウィンドウの「修復」）で作り直せます。修復後のファイルには "
                       "%llu フレーム（%.3f 秒）、%llu チャンクが残ります。",
                       frames, seconds, ull(scan.chunks.Size()));
  return r;
}

DamageReport InspectDamage(const std::string& path) {
  ByteInput input;
  if (!input.Open(path.c_str())) return DamageReport();
  RepairScan scan;
  ScanForRepair(input, scan);
  return DescribeDamage(scan);
}
