#include "avi/avi_source.h"

#include "avi/background_walk.h"
#include "avi/odml_headers.h"
#include "avi/stored_chunks.h"
#include "avi/walk_sink.h"

bool AviSource::Open(const char* path) {
  Close();
  return file_.Open(path);
}

void AviSource::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  file_.OpenMemory(data, size);
}

void AviSource::Close() {
  viewInput_.Close();
  view_.reset();
  file_.Close();
}

bool AviSource::FilePosition(uint64_t position, uint64_t* file) {
  if (!view_) {
    *file = position;
    return true;
  }
  return view_->SourcePosition(position, file);
}

bool AviSource::Analyse(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span, StoredChunkWatch* watch) {
  if (!ReadIndexes(analysis, sink, base, span)) return false;
  Walk(analysis, sink, base, span, watch && !view_ && file_.Descriptor() >= 0 ? watch->Start(file_) : nullptr);
  return true;
}

bool AviSource::AnalyseWritten(AviAnalysis& analysis) {
  if (!ReadIndexes(analysis, nullptr, 0, 0)) return false;
  if (!view_ && file_.Descriptor() >= 0)
    GuessAnalysis(analysis, file_, file_.Size());
  else
    Walk(analysis, nullptr, 0, 0);
  return true;
}

bool AviSource::Reopen(const char* path, uint64_t expectedSize) {
  if (!Open(path) || file_.Size() != expectedSize) return false;
  AviAnalysis unused{};
  return ReadIndexes(unused, nullptr, 0, 0);
}

bool AviSource::Reopen(const char* path) {
  if (!Open(path)) return false;
  AviAnalysis unused{};
  return ReadIndexes(unused, nullptr, 0, 0);
}

bool AviSource::AnalyseOrGuess(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span,
                               BackgroundWalk& whole) {
  if (!ReadIndexes(analysis, sink, base, span)) return false;
  if (!view_ && file_.Descriptor() >= 0) {
    GuessAnalysis(analysis, file_, file_.Size());
    if (whole.Start(file_)) {
      // The bar passes the cells a walk passes (it ends before the last),
      // and a Cancel there stops the analysis as it would the walk.
      for (int32_t cell = 1; sink && cell < span && !sink->Cancelled(); ++cell) sink->Progress(base + cell);
      return true;
    }
  }
  Walk(analysis, sink, base, span);
  return true;
}

bool AviSource::ReadIndexes(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span) {
  viewInput_.Close();
  view_.reset();
  const uint64_t size = file_.Size();
  const int32_t half = span / 2;
  int32_t shown = 0;
  auto progress = [&](uint64_t position) {
    if (sink && size != 0) {
      const int32_t step = int32_t(double(position < size ? position : size) * half / double(size));
      if (step > shown) sink->Progress(base + (shown = step));
    }
    return !(sink && sink->Cancelled());
  };
  if (!reader_.Read(file_, size, progress)) {
    ResetAnalysis(analysis);
    return false;
  }
  if (reader_.Facts().hasSuperIndex) {
    view_.reset(new OdmlFlatView(file_, reader_));
    viewInput_.OpenSource(*view_);
  }
  return true;
}

void AviSource::Walk(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span, ChunkVisitor* visitor) {
  WalkProgress walk;
  walk.sink = sink;
  walk.visitor = visitor;
  walk.base = base;
  walk.span = span;
  if (view_) {  // the indexes took the first half of the bar
    walk.base = base + span / 2;
    walk.span = span - span / 2;
  }
  walk.total = Input().Size();
  if (view_ && file_.Descriptor() >= 0 && WalksGuidedByIndex()) {
    // The view holds every chunk whole: its headers are read where the
    // indexes place them, not by reading the whole file.
    OdmlHeaders headers(file_, reader_.FileSize(), reader_.SuperIndexes(), view_->ChunkPlaces());
    viewInput_.UseBeforehand(&headers);
    AnalyseFile(analysis, viewInput_, viewInput_.Size(), walk);
    viewInput_.UseBeforehand(nullptr);
    return;
  }
  AnalyseFile(analysis, Input(), Input().Size(), walk);
}
