// The facts of a file's layout as lines of text for the command line.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "avi/odml_reader.h"

namespace {

std::string Code(uint32_t code) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    char c = char(code >> (8 * i));
    s += c >= 0x20 && c <= 0x7E ? c : '?';
  }
  return s;
}

void Line(std::string& out, const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  out += buffer;
  out += '\n';
}

}  // namespace

std::string DescribeOdmlLayout(const OdmlFacts& f) {
  std::string out;
  Line(out, "RIFF lists              %u", f.riffCount);
  for (uint32_t r = 0; r < f.riffCount && r < uint32_t(kOdmlMaxRiffFacts); ++r) {
    const OdmlRiffFacts& riff = f.riffs[r];
    if (riff.moviPosition != 0)
      Line(out, "  RIFF '%s' at %llu, %llu bytes; movi at %llu, %llu bytes", Code(riff.form).c_str(),
           (unsigned long long)riff.position, (unsigned long long)riff.size, (unsigned long long)riff.moviPosition,
           (unsigned long long)riff.moviSize);
    else
      Line(out, "  RIFF '%s' at %llu, %llu bytes; no movi", Code(riff.form).c_str(), (unsigned long long)riff.position,
           (unsigned long long)riff.size);
  }
  if (f.riffCount > uint32_t(kOdmlMaxRiffFacts)) Line(out, "  ... %u more", f.riffCount - kOdmlMaxRiffFacts);
  Line(out, "index                   %s",
       f.hasSuperIndex ? "OpenDML (indx super indexes, ix## standard indexes)" : "idx1 (version 1)");
  if (f.hasSuperIndex) {
    for (uint32_t s = 0; s < f.streamCount; ++s) {
      const OdmlStreamFacts& st = f.streams[s];
      Line(out, "  stream %u: %s %s, %u ix## index%s, %llu entries (%llu key), %llu bytes", s,
           Code(st.fccType).c_str(), Code(st.chunkId).c_str(), st.standardIndexes,
           st.standardIndexes == 1 ? "" : "es", (unsigned long long)st.entries, (unsigned long long)st.keyEntries,
           (unsigned long long)st.dataBytes);
    }
    Line(out, "  chunks                %llu", (unsigned long long)f.chunkCount);
  }
  if (f.fault.problem != OdmlProblem::kNone) Line(out, "refused                 %s", DescribeOdmlFault(f.fault, 1).c_str());
  return out;
}
