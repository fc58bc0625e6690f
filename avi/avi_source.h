// An AVI input as the jobs read it. A version-1 file is read as it is; an
// OpenDML file (one whose streams have indx super indexes) is read as the
// flattened version-1 file it stands for (avi/odml_flat_view.h), so that
// every rule after reading is the version-1 rules', unchanged.
//
//   AviSource in;
//   if (!in.Open(path)) ... in.File().OpenError()
//   if (in.File().U32At(0) != kRiff) ...
//   if (!in.Analyse(analysis, &sink, 0, 10)) ... in.Fault()  (kCancelled: stopped)
//   ... read in.Input() as analysed
#pragma once
#include <cstdint>
#include <memory>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/odml_flat_view.h"
#include "avi/odml_reader.h"

class BackgroundWalk;
class StoredChunkWatch;
class WalkSink;

class AviSource {
 public:
  bool Open(const char* path);
  // Reads from memory that must outlive the source (tests, fuzzing).
  void OpenMemory(const uint8_t* data, size_t size);
  void Close();

  // The file as stored: for its first look and its open error.
  ByteInput& File() { return file_; }
  const ByteInput& File() const { return file_; }
  // What the analysis and the engines read: the file, or its flattened view.
  ByteInput& Input() { return view_ ? viewInput_ : file_; }
  bool IsOpenDml() const { return view_ != nullptr; }
  const OdmlReader& Reader() const { return reader_; }
  const OdmlFault& Fault() const { return reader_.Facts().fault; }
  // Where the byte at position of Input() is stored in the file: the same
  // position for a version-1 file. False for the bytes a flattened view
  // makes (its sizes and index).
  bool FilePosition(uint64_t position, uint64_t* file);

  // Reads the OpenDML indexes, if the file has any, checking every entry,
  // then analyses Input(). The bar moves over cells base .. base + span
  // (the indexes take the first half of them); sink may be null. False when
  // the indexes are broken or the sink cancelled while they were read:
  // Fault() says why and analysis is reset. With watch, a version-1 file on
  // disk is checked beside the walk for chunks stored as written.
  bool Analyse(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span, StoredChunkWatch* watch = nullptr);
  // The same for a file this program has just written, whose index is its
  // own: a version-1 file on disk is read from its index, not walked.
  bool AnalyseWritten(AviAnalysis& analysis);
  // The same, except that for a version-1 file on disk analysis gets
  // GuessAnalysis's record and then the walk is started on whole's thread:
  // the caller must check the guess against the walk's record before it
  // commits anything.
  // Opens path again for a file analysed before, reading its OpenDML
  // indexes (if any) but not walking it: Input() then reads as it did.
  // False when it cannot be opened, its size is no longer expectedSize, or
  // its indexes cannot be read.
  bool Reopen(const char* path, uint64_t expectedSize);
  // The same whatever its size now: the caller makes sure it is the file
  // it analysed.
  bool Reopen(const char* path);
  bool AnalyseOrGuess(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span, BackgroundWalk& whole);

 private:
  bool ReadIndexes(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span);
  void Walk(AviAnalysis& analysis, WalkSink* sink, int32_t base, int32_t span, ChunkVisitor* visitor = nullptr);

  ByteInput file_;
  OdmlReader reader_;
  std::unique_ptr<OdmlFlatView> view_;
  ByteInput viewInput_;
};
