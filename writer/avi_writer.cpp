#include "writer/avi_writer.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "avi/fourcc.h"
#include "writer/chunk_placer.h"

namespace {

constexpr size_t kIndexBlock = 64 * 1024;  // idx1 bytes handed over at a time
const uint8_t kZero = 0;

uint32_t Clamp(uint64_t v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(v); }

// Reports every `step` positions of `total`, moving over span cells from
// `from`: span times in all, or once when the span is 0.
struct BarSteps {
  BarSteps(uint64_t total, int from, int span) : total(total), from(from), span(span) {
    step = span > 0 ? total / uint64_t(span) : total;
    if (step == 0) step = 1;
  }
  int Cells(uint64_t at) const { return int(at * uint64_t(span) / total + uint64_t(from)); }
  uint64_t total;
  int from, span;
  uint64_t step;
};

// One output as it is written.
struct Lane {
  AviOutput* out = nullptr;
  OutputRoute route;
  std::unique_ptr<RunCopier> copier;
  bool runs = false;  // its carried chunks go as runs
  ChunkPlacer placer;
  std::unique_ptr<ChunkListing> listing;
  OutChunk next;
  bool has = false;  // next holds its next chunk
  std::vector<uint8_t> index;

  bool Made() const { return out->file != nullptr; }
  OutputStream& Stream() const { return route.odml ? *route.odml : *out->file; }
  void Start() {
    listing = out->chunks();
    placer = ChunkPlacer(route.junkBlock, out->MoviType());
    has = listing->Next(next);
  }
};

class Writer {
 public:
  Writer(AviOutput* outputs, int count, const WriteSettings& settings) : lanes_(count), s_(settings) {
    for (int x = 0; x < count; ++x) lanes_[x].out = &outputs[x];
  }
  WriteOutcome Run();

 private:
  bool Route();
  bool WriteHeader(Lane& lane);
  bool WriteChunk(Lane& lane);
  bool WriteMadeChunk(const OutChunk& c, RunCopier& out);
  bool AddIndexEntry(Lane& lane);
  bool FinishIndex(Lane& lane);
  bool Check(Lane& lane);
  // Walks the listings together: visit for each chunk in position order,
  // the bar's steps between them (handOver: the runs' whole blocks too).
  template <class Visit>
  bool Walk(int from, int span, bool handOver, Visit visit);
  bool Steps(const BarSteps& bar, uint64_t upTo, bool handOver, uint64_t* step);
  Lane* Earliest();
  bool Cancelled();
  bool Fail(int x, WriteResult why);

  std::vector<Lane> lanes_;
  const WriteSettings& s_;
  SourceReader reader_;
  WriteOutcome outcome_;
};

bool Writer::Cancelled() {
  if (!s_.watch || !s_.watch->Cancelled()) return false;
  return Fail(-1, WriteResult::Cancelled), true;
}

// Outputs are written behind on threads: when several have failed by the
// time a failure shows, the earliest output's is the one to report.
bool Writer::Fail(int x, WriteResult why) {
  outcome_.result = why;
  outcome_.output = x;
  if (why == WriteResult::Cancelled || why == WriteResult::TooLarge) return false;
  for (int y = int(lanes_.size()) - 1; y >= 0; --y) {
    if (!lanes_[y].Made() || !lanes_[y].Stream().Failed()) continue;
    outcome_.result = WriteResult::WriteFailed;
    outcome_.output = y;
  }
  return false;
}

bool Writer::Route() {
  for (int x = 0; x < int(lanes_.size()); ++x) {
    Lane& lane = lanes_[x];
    if (!lane.Made()) continue;
    const std::string why = RouteOutput(*lane.out, s_.odml, s_.clone, &lane.route);
    if (!why.empty()) {
      outcome_.problem = why;
      return Fail(x, WriteResult::TooLarge);
    }
    lane.runs = s_.habits.runs || lane.route.shares;
    OutputStream* shareWith = lane.route.shares ? lane.out->file : nullptr;
    lane.copier = std::make_unique<RunCopier>(lane.Stream(), reader_, s_.habits, shareWith, lane.route.junkBlock);
  }
  return true;
}

bool Writer::WriteHeader(Lane& lane) {
  const AviOutput& out = *lane.out;
  HeaderEdits edits = out.edits;
  edits.Field(4, Clamp(lane.route.versionOneBytes - 8));
  edits.Field(out.headerBytes - 8, Clamp(4 + lane.route.moviBytes));
  edits.Field(out.headerBytes - 4, kMovi);
  RunCopier& copier = *lane.copier;
  auto copy = [&](uint64_t from, uint64_t to) {
    if (to == from) return true;
    return s_.habits.headerRuns ? copier.Run(out.header, from, to - from) : copier.Copy(out.header, from, to - from);
  };
  uint64_t at = 0;
  for (const HeaderEdits::Edit* e : edits.Applied(out.headerBytes)) {
    if (!copy(at, e->at) || !copier.Put(e->bytes.data(), e->bytes.size())) return false;
    at = e->at + e->count;
  }
  return copy(at, out.headerBytes);
}

bool Writer::WriteMadeChunk(const OutChunk& c, RunCopier& out) {
  if (!out.EndRun()) return false;
  const std::shared_ptr<ByteInput>& first = c.pieces[0].input;
  if (c.mustHold != 0 && !out.Holds(first, c.mustHold)) return false;
  if (!(c.chunkAt != OutChunk::kOwnCode ? out.Copy(first, c.chunkAt, 4) : out.PutU32(c.ckid))) return false;
  if (!out.PutU32(c.size)) return false;
  for (int p = 0; p < c.pieceCount; ++p) {
    const ChunkPiece& piece = c.pieces[p];
    if (!(piece.input ? out.Copy(piece.input, piece.at, piece.bytes) : out.Put(piece.memory, piece.bytes)))
      return false;
  }
  return (c.size & 1) == 0 || out.Put(&kZero, 1);
}

bool Writer::WriteChunk(Lane& lane) {
  const OutChunk& c = lane.next;
  RunCopier& out = *lane.copier;
  const uint32_t junk = lane.placer.Place(c);
  if (junk != 0 && !out.PutJunk(junk)) return false;
  uint64_t runBytes = 0;
  if (!(lane.runs && c.Carried() && reader_.Stored(c, &runBytes))) return WriteMadeChunk(c, out);
  if (!out.Run(c.pieces[0].input, c.chunkAt, runBytes)) return false;
  return runBytes == ChunkSpace(c.size) || out.Put(&kZero, 1);  // a pad the input lacks
}

bool Writer::AddIndexEntry(Lane& lane) {
  const OutChunk& c = lane.next;
  lane.placer.Place(c);
  const uint32_t fields[4] = {c.ckid, c.flags, uint32_t(lane.placer.Offset()), c.size};
  for (uint32_t v : fields)
    for (int b = 0; b < 4; ++b) lane.index.push_back(uint8_t(v >> (8 * b)));
  if (lane.index.size() < kIndexBlock) return true;
  const bool put = lane.copier->Put(lane.index.data(), lane.index.size());
  lane.index.clear();
  return put;
}

bool Writer::FinishIndex(Lane& lane) {
  return lane.copier->Put(lane.index.data(), lane.index.size());
}

Lane* Writer::Earliest() {
  Lane* earliest = nullptr;
  for (Lane& lane : lanes_)
    if (lane.Made() && lane.has && (!earliest || lane.next.position < earliest->next.position)) earliest = &lane;
  return earliest;
}

bool Writer::Steps(const BarSteps& bar, uint64_t upTo, bool handOver, uint64_t* step) {
  for (; *step < bar.total && *step <= upTo; *step += bar.step) {
    for (int x = 0; handOver && x < int(lanes_.size()); ++x)
      if (lanes_[x].Made() && !lanes_[x].copier->AtStep()) return Fail(x, lanes_[x].copier->Result());
    if (s_.watch) s_.watch->Progress(bar.Cells(*step));
    if (Cancelled()) return false;
  }
  return true;
}

template <class Visit>
bool Writer::Walk(int from, int span, bool handOver, Visit visit) {
  for (Lane& lane : lanes_)
    if (lane.Made()) lane.Start();
  const BarSteps bar(s_.positions, from, span);
  uint64_t step = 0;
  while (Lane* lane = Earliest()) {
    if (!Steps(bar, lane->next.position, handOver, &step) || Cancelled()) return false;
    if (!visit(*lane)) return Fail(int(lane - lanes_.data()), lane->copier->Result());
    lane->has = lane->listing->Next(lane->next);
  }
  if (!Steps(bar, ~0ull, handOver, &step)) return false;
  for (int x = 0; x < int(lanes_.size()); ++x)
    if (lanes_[x].Made() && lanes_[x].listing->Failed()) return Fail(x, WriteResult::InputChanged);
  return true;
}

bool Writer::Check(Lane& lane) {
  if (lane.copier->Written() != lane.route.versionOneBytes) return false;
  return !lane.route.odml || lane.route.odml->Complete();
}

WriteOutcome Writer::Run() {
  if (!Route()) return outcome_;
  auto each = [this](bool (Writer::*step)(Lane&)) {
    for (int x = 0; x < int(lanes_.size()); ++x)
      if (lanes_[x].Made() && !(this->*step)(lanes_[x])) return Fail(x, lanes_[x].copier->Result());
    return true;
  };
  const BarSpan& bar = s_.bar;
  if (!each(&Writer::WriteHeader)) return outcome_;
  if (!Walk(bar.chunkFrom, bar.chunkSpan, true, [this](Lane& lane) { return WriteChunk(lane); })) return outcome_;
  auto startIndex = [](Lane& lane) {
    return lane.copier->EndRun() && lane.copier->PutU32(kIdx1) && lane.copier->PutU32(uint32_t(16 * lane.out->entries));
  };
  for (int x = 0; x < int(lanes_.size()); ++x)
    if (lanes_[x].Made() && !startIndex(lanes_[x])) return Fail(x, lanes_[x].copier->Result()), outcome_;
  if (!Walk(bar.indexFrom, bar.indexSpan, false, [this](Lane& lane) { return AddIndexEntry(lane); })) return outcome_;
  if (!each(&Writer::FinishIndex) || Cancelled()) return outcome_;
  for (int x = 0; x < int(lanes_.size()); ++x) {
    Lane& lane = lanes_[x];
    if (lane.Made() && !Check(lane))
      return Fail(x, lane.out->file->Failed() ? WriteResult::WriteFailed : WriteResult::InputChanged), outcome_;
  }
  if (bar.showEnd && s_.watch) s_.watch->Progress(bar.indexFrom + bar.indexSpan);
  return outcome_;
}

}  // namespace

WriteOutcome WriteAviOutputs(AviOutput* outputs, int count, const WriteSettings& settings) {
  return Writer(outputs, count, settings).Run();
}
