// One output as the skeleton (writer/avi_writer.h) writes it: its route, its
// copier and placer, and the chunk of its listing at hand. The skeleton
// walks the lanes of all outputs through the passes together; a lane writes
// what it is handed: its header, its next chunk, its next index entry.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "writer/chunk_placer.h"
#include "writer/output_route.h"
#include "writer/run_copier.h"

class OutputLane {
 public:
  explicit OutputLane(AviOutput* out = nullptr) : out_(out) {}

  bool Made() const { return out_ && out_->file; }
  // Where its version-1 bytes go: the file, or the OpenDML layer over it.
  OutputStream& Stream() const { return route_.odml ? *route_.odml : *out_->file; }
  RunCopier& Copier() { return *copier_; }

  // Routes the output (writer/output_route.h): "" or why it cannot be written.
  std::string Route(const OdmlLimits& limits, bool clone, const CopyHabits& habits, SourceReader& reader);
  bool WriteHeader();

  // A pass over the listing from its first chunk; Next() is the chunk at hand.
  void Start();
  bool Has() const { return has_; }
  const OutChunk& Next() const { return next_; }
  void Advance() { has_ = listing_->Next(next_); }
  bool ListingFailed() const { return listing_->Failed(); }

  bool WriteChunk();
  // At a bar step of the chunk pass (CopyHabits::handOverAtSteps).
  bool HandOverAtStep() { return copier_->AtStep(); }
  bool StartIndex();
  bool AddIndexEntry();
  bool FinishIndex();
  // Every byte counted came, and an OpenDML layer is complete.
  bool Complete() const;
  bool FileFailed() const { return out_->file->Failed(); }

 private:
  bool WriteMadeChunk(const OutChunk& c);

  AviOutput* out_;
  OutputRoute route_;
  SourceReader* reader_ = nullptr;
  std::unique_ptr<RunCopier> copier_;
  bool headerRuns_ = false;
  bool runs_ = false;  // its carried chunks go as runs
  ChunkPlacer placer_;
  std::unique_ptr<ChunkListing> listing_;
  OutChunk next_;
  bool has_ = false;
  std::vector<uint8_t> index_;  // room for a block of idx1 entries
  size_t indexFill_ = 0;        // the bytes of it waiting
};
