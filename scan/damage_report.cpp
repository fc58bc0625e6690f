#include "scan/damage_report.h"

#include <cstdarg>
#include <cstdio>

#include "avi/byte_input.h"
#include "texts/scan_texts.h"

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
    r.english += Format(texts::kDamageCutShort.english,
                        ull(scan.fileBytes), ull(scan.promisedBytes));
    r.japanese += Format(texts::kDamageCutShort.japanese,
                         ull(scan.promisedBytes), ull(scan.fileBytes));
  }
  if (!scan.HasIndex()) {
    r.english += std::string(r.english.empty() ? "" : " ") + texts::kDamageNoIndex.english;
    r.japanese += texts::kDamageNoIndex.japanese;
  } else if (scan.idx1 && scan.idx1Whole < scan.idx1Entries) {
    r.english += Format(texts::kDamageIdx1Cut.english, r.english.empty() ? "" : " ",
                        ull(scan.idx1Whole), ull(scan.idx1Entries));
    r.japanese += Format(texts::kDamageIdx1Cut.japanese, ull(scan.idx1Entries),
                         ull(scan.idx1Whole));
  }
  if (scan.firstMissingIdx1 >= 0 || scan.firstMissingStandard >= 0) {
    const bool idx1 = scan.firstMissingIdx1 >= 0;
    const ull k = ull(idx1 ? scan.firstMissingIdx1 : scan.firstMissingStandard);
    r.english += Format(texts::kDamageEntryMisses.english, r.english.empty() ? "" : " ",
                        k, idx1 ? "idx1" : "ix##", ull(scan.entriesMissing));
    r.japanese += Format(texts::kDamageEntryMisses.japanese, k,
                         idx1 ? "idx1" : "ix##", ull(scan.entriesMissing));
  } else if (scan.HasIndex() && scan.unindexed > 0) {
    r.english += Format(texts::kDamageUnindexed.english, r.english.empty() ? "" : " ", ull(scan.unindexed));
    r.japanese += Format(texts::kDamageUnindexed.japanese, ull(scan.unindexed));
  }
  if (scan.skippedBytes > 0) {
    r.english += Format(texts::kDamageSkipped.english, r.english.empty() ? "" : " ",
                        ull(scan.skippedBytes), ull(scan.firstSkipped));
    r.japanese += Format(texts::kDamageSkipped.japanese, ull(scan.firstSkipped),
                         ull(scan.skippedBytes));
  }
  const double seconds = scan.Seconds();
  const ull frames = ull(scan.VideoFrames());
  r.english += Format(texts::kDamageRepairable.english,
                      frames, seconds, ull(scan.chunks.Size()));
  r.japanese += Format(texts::kDamageRepairable.japanese,
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
