// An input's first steps, the same in every job that reads one: the first
// look (it opens and its size can be told, job/file_probe.h), the open, the
// "RIFF" at its start, and the analysis (its OpenDML indexes, then the
// walk) with its bar. Each step says what stopped it in one vocabulary, with
// the reason in English for the command line; each job words it under its
// own result and message.
//
//   AviSource source;
//   if (InputStop stop = OpenInput(path, source)) ... stop.kind, stop.detail
//   if (InputStop stop = CheckRiff(path, source)) ...
//   if (InputStop stop = AnalyseInput(path, source, analysis, sink, 0, 10)) ...
#pragma once
#include <cstdint>
#include <string>

class AviSource;
class BackgroundWalk;
class JobSink;
class StoredChunkWatch;
struct AviAnalysis;

struct InputStop {
  enum Kind {
    None,
    NotOpen,        // it cannot be opened (detail: the system's reason)
    TooLarge,       // its size cannot be told
    NotRiff,        // it does not begin with "RIFF"
    BrokenIndexes,  // its OpenDML indexes cannot be read (the source's Fault() says how)
    Cancelled,      // the sink cancelled
    ReadFault,      // a read failed or the file changed (the file's Fault() says how)
  };
  Kind kind = None;
  // "PATH: why" in English for NotOpen, TooLarge, NotRiff and BrokenIndexes.
  std::string detail;
  // The reason alone, as detail gives it after the path.
  std::string why;
  explicit operator bool() const { return kind != None; }
};

// The first look and the open of path into source; *size (when given) gets
// the size the first look saw.
InputStop OpenInput(const std::string& path, AviSource& source, uint64_t* size = nullptr);
// The same in two steps, for a job that looks at all its inputs before it
// opens any: the first look (NotOpen or TooLarge), then the open (NotOpen).
InputStop LookAtInput(const std::string& path, uint64_t* size = nullptr);
InputStop OpenLookedAt(const std::string& path, AviSource& source);

// The opened source begins with "RIFF". A read of its first bytes that
// failed is a ReadFault.
InputStop CheckRiff(const std::string& path, AviSource& source);

// Analyses the opened source, the bar over cells base .. base + span. With
// watch, a version-1 file on disk is checked beside the walk for chunks
// stored as written; with whole, it gets a guessed analysis at once and the
// walk runs on whole's thread (AviSource::AnalyseOrGuess). A cancel, seen
// during or at the end of the analysis, comes first; then a read fault;
// then broken indexes.
InputStop AnalyseInput(const std::string& path, AviSource& source, AviAnalysis& analysis, JobSink& sink,
                       int32_t base, int32_t span, StoredChunkWatch* watch = nullptr, BackgroundWalk* whole = nullptr);
