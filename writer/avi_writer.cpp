// The skeleton's walk: the outputs' lanes (writer/output_lane.h) through the
// passes together, each chunk in the order of the listings' positions, the
// bar's steps between them, a failure reported for the output it concerns.
#include "writer/avi_writer.h"

#include <vector>

#include "writer/output_lane.h"

namespace {

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

class Writer {
 public:
  Writer(AviOutput* outputs, int count, const WriteSettings& settings) : s_(settings) {
    lanes_.reserve(size_t(count));
    for (int x = 0; x < count; ++x) lanes_.emplace_back(&outputs[x]);
  }
  WriteOutcome Run();

 private:
  bool Route();
  // Calls step on every lane that is made, in order.
  bool Each(bool (OutputLane::*step)());
  // Walks the listings together: visit for each chunk in position order,
  // the bar's steps between them (handOver: the runs' whole blocks too).
  bool Walk(int from, int span, bool handOver, bool (OutputLane::*visit)());
  bool Steps(const BarSteps& bar, uint64_t upTo, bool handOver, uint64_t* step);
  OutputLane* Earliest();
  bool Cancelled();
  bool Fail(size_t x, WriteResult why);
  bool Failed(size_t x) { return Fail(x, lanes_[x].Copier().Result()); }

  std::vector<OutputLane> lanes_;
  const WriteSettings& s_;
  SourceReader reader_;
  WriteOutcome outcome_;
};

bool Writer::Cancelled() {
  if (!s_.watch || !s_.watch->Cancelled()) return false;
  outcome_.result = WriteResult::Cancelled;
  return true;
}

// Outputs are written behind on threads: when several have failed by the
// time a failure shows, the earliest output's is the one to report.
bool Writer::Fail(size_t x, WriteResult why) {
  outcome_.result = why;
  outcome_.output = int(x);
  for (size_t y = lanes_.size(); y-- > 0;) {
    if (!lanes_[y].Made() || !lanes_[y].Stream().Failed()) continue;
    outcome_.result = WriteResult::WriteFailed;
    outcome_.output = int(y);
  }
  return false;
}

bool Writer::Route() {
  for (size_t x = 0; x < lanes_.size(); ++x) {
    if (!lanes_[x].Made()) continue;
    outcome_.problem = lanes_[x].Route(s_.odml, s_.clone, s_.habits, reader_);
    if (!outcome_.problem.empty()) {
      outcome_.result = WriteResult::TooLarge;
      outcome_.output = int(x);
      return false;
    }
  }
  return true;
}

bool Writer::Each(bool (OutputLane::*step)()) {
  for (size_t x = 0; x < lanes_.size(); ++x)
    if (lanes_[x].Made() && !(lanes_[x].*step)()) return Failed(x);
  return true;
}

OutputLane* Writer::Earliest() {
  OutputLane* earliest = nullptr;
  for (OutputLane& lane : lanes_)
    if (lane.Made() && lane.Has() && (!earliest || lane.Next().position < earliest->Next().position))
      earliest = &lane;
  return earliest;
}

bool Writer::Steps(const BarSteps& bar, uint64_t upTo, bool handOver, uint64_t* step) {
  for (; *step < bar.total && *step <= upTo; *step += bar.step) {
    if (handOver && !Each(&OutputLane::HandOverAtStep)) return false;
    if (s_.watch) s_.watch->Progress(bar.Cells(*step));
    if (Cancelled()) return false;
  }
  return true;
}

bool Writer::Walk(int from, int span, bool handOver, bool (OutputLane::*visit)()) {
  for (OutputLane& lane : lanes_)
    if (lane.Made()) lane.Start();
  const BarSteps bar(s_.positions, from, span);
  uint64_t step = 0;
  while (OutputLane* lane = Earliest()) {
    const uint64_t position = lane->Next().position;
    if ((step <= position && !Steps(bar, position, handOver, &step)) || Cancelled()) return false;
    if (!(lane->*visit)()) return Failed(size_t(lane - lanes_.data()));
    lane->Advance();
  }
  if (!Steps(bar, ~0ull, handOver, &step)) return false;
  for (size_t x = 0; x < lanes_.size(); ++x)
    if (lanes_[x].Made() && lanes_[x].ListingFailed()) return Fail(x, WriteResult::InputChanged);
  return true;
}

WriteOutcome Writer::Run() {
  const BarSpan& bar = s_.bar;
  if (!Route() || !Each(&OutputLane::WriteHeader)) return outcome_;
  if (!Walk(bar.chunkFrom, bar.chunkSpan, true, &OutputLane::WriteChunk)) return outcome_;
  if (!Each(&OutputLane::StartIndex)) return outcome_;
  if (!Walk(bar.indexFrom, bar.indexSpan, false, &OutputLane::AddIndexEntry)) return outcome_;
  if (!Each(&OutputLane::FinishIndex) || Cancelled()) return outcome_;
  for (size_t x = 0; x < lanes_.size(); ++x) {
    const OutputLane& lane = lanes_[x];
    if (lane.Made() && !lane.Complete())
      return Fail(x, lane.FileFailed() ? WriteResult::WriteFailed : WriteResult::InputChanged), outcome_;
  }
  if (bar.showEnd && s_.watch) s_.watch->Progress(bar.indexFrom + bar.indexSpan);
  return outcome_;
}

}  // namespace

WriteOutcome WriteAviOutputs(AviOutput* outputs, int count, const WriteSettings& settings) {
  return Writer(outputs, count, settings).Run();
}

WriteOutcome WriteAviOutput(AviOutput& output, WriteSettings settings) {
  settings.positions = output.entries;
  return WriteAviOutputs(&output, 1, settings);
}
