// The two-file merge as a chain of two inputs (chain/chain_writer.h): the
// first input as the merge plan keeps it, then all of the second.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "chain/chain_writer.h"
#include "merge/merge_plan.h"

// One input as the two-file writer reads it.
struct JoinInput {
  ByteInput* file;
  uint64_t idx1Offset;  // position of its idx1 chunk header
  uint32_t entryTotal;  // idx1 entries
  uint64_t chunkBase;   // where its idx1 chunk offsets count from
  // Its chunks lie as the writer writes them (avi/stored_chunks.h), checked
  // already: chunks the index places back to back are taken as runs unread.
  bool chunksAsWritten = false;
  // Where file is the flattened view of an OpenDML file: its source, whose
  // file the chunks are taken from (ChainInputs::Stored). Null: from file.
  AviSource* stored = nullptr;
};

struct JoinRequest {
  // The first input's analysis: header layout (the second input's is the
  // same, as the structure comparison found), stream types and entry counts.
  const AviAnalysis* analysis;
  JoinInput first;
  JoinInput second;
  uint32_t secondFrames;  // the second input's video frames (entries of the first video stream)
  const MergePlan* plan;
};

// The two-file merge as a chain: the first input as the plan keeps it, then
// all of the second. The inputs must outlive the request's use.
class TwoInputs : public ChainInputs {
 public:
  TwoInputs(ByteInput& first, ByteInput& second, AviSource* firstStored = nullptr, AviSource* secondStored = nullptr)
      : files_{&first, &second}, stored_{firstStored, secondStored} {}
  std::shared_ptr<ByteInput> Open(size_t link) override;
  std::shared_ptr<AviSource> Stored(size_t link) override;

 private:
  ByteInput* files_[2];
  AviSource* stored_[2];
};
ChainRequest ChainFor(const JoinRequest& request, TwoInputs& inputs);

// The same as the chain writer's, for the two inputs of a merge.
JoinedFigures MeasureJoinedFile(const JoinRequest& request);
std::string JoinedFileRefusal(const JoinRequest& request, const JoinedFigures& figures);
WriteResult WriteJoinedFile(const JoinRequest& request, OutputStream& out, WalkSink* bar,
                            const OdmlLimits& odml = OdmlLimits(), std::string* problem = nullptr,
                            const WriterOptions& options = WriterOptions());
