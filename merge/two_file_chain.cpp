#include "merge/two_file_chain.h"

#include "avi/byte_input.h"

std::shared_ptr<AviSource> TwoInputs::Stored(size_t link) {
  if (link > 1 || !stored_[link]) return nullptr;
  return std::shared_ptr<AviSource>(std::shared_ptr<AviSource>(), stored_[link]);  // not owned
}

std::shared_ptr<ByteInput> TwoInputs::Open(size_t link) {
  if (link > 1) return nullptr;
  return std::shared_ptr<ByteInput>(files_[link], [](ByteInput*) {});  // not owned
}

ChainRequest ChainFor(const JoinRequest& r, TwoInputs& inputs) {
  const AviAnalysis& a = *r.analysis;
  ChainRequest chain;
  chain.analysis = &a;
  chain.inputs = &inputs;
  chain.links.resize(2);
  const JoinInput* in[2] = {&r.first, &r.second};
  for (int n = 0; n < 2; ++n) {
    ChainLink& l = chain.links[n];
    l.idx1Offset = in[n]->idx1Offset;
    l.entryTotal = in[n]->entryTotal;
    l.chunkBase = in[n]->chunkBase;
    l.size = in[n]->file->Size();
    l.chunksAsWritten = in[n]->chunksAsWritten;
    // The second input's header has the first one's layout.
    for (uint32_t s = 0; s < a.streamCount; ++s) l.lengths[s] = in[n]->file->U32At(a.streams[s].lengthOffset);
  }
  ChainLink& first = chain.links[0];
  for (int s = 0; s < kMaxStreams; ++s) {
    first.entries[s] = a.streams[s].idx1EntryCount;
    first.keepCount[s] = r.plan->keepCount[s];
    first.seamPartialBytes[s] = r.plan->seamPartialBytes[s];
    first.seamJoinBytes[s] = r.plan->seamJoinBytes[s];
  }
  chain.links[1].entries[a.firstVideoStream] = r.secondFrames;
  return chain;
}

std::string JoinedFileRefusal(const JoinRequest& r, const JoinedFigures& f) {
  TwoInputs inputs(*r.first.file, *r.second.file, r.first.stored, r.second.stored);
  return JoinedFileRefusal(ChainFor(r, inputs), f);
}

JoinedFigures MeasureJoinedFile(const JoinRequest& r) {
  TwoInputs inputs(*r.first.file, *r.second.file, r.first.stored, r.second.stored);
  return MeasureJoinedFile(ChainFor(r, inputs));
}

WriteResult WriteJoinedFile(const JoinRequest& r, OutputStream& sink, WalkSink* bar, const OdmlLimits& odmlLimits,
                            std::string* problem, const WriterOptions& options) {
  TwoInputs inputs(*r.first.file, *r.second.file, r.first.stored, r.second.stored);
  return WriteJoinedFile(ChainFor(r, inputs), sink, bar, odmlLimits, problem, options);
}
