// tavrin info's summary for a person: playing time, frame rate and count,
// key-frame spacing, each stream's codec and rate, and whether the file can
// be split or merged (and why not, in words).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "avi/avi_analysis.h"
#include "avi/stream_format.h"

class AviSource;

// One stream as its headers describe it.

struct InfoSummary {
  uint64_t fileBytes = 0;
  uint32_t microSecPerFrame = 0;  // avih
  uint32_t frames = 0;            // index entries of the first video stream
  uint32_t keyFrames = 0;
  uint32_t longestGroup = 0;      // most frames from one key frame to the next (or the end)
  StreamFormat streams[kMaxStreams];
  std::string splitVerdict;       // "yes", or "no: " and why
  std::string mergeVerdict;
};

// Reads what the summary shows from the analysed file (an OpenDML file
// through its flattened view, as the jobs read it).
InfoSummary SummariseFile(const std::string& path, AviSource& source, const AviAnalysis& analysis);

void PrintInfoSummary(std::FILE* to, const std::string& path, const AviAnalysis& analysis, const InfoSummary& s);
