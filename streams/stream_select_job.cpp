// The stream choice job (streams/stream_select_job.h): the request checked
// before the input is opened, the input opened and checked (bar 0..10), the
// numbers checked against it, then the output written on the output
// skeleton (bar 10..100).
#include "streams/stream_select_job.h"

#include "io/output_file.h"
#include "job/output_commit.h"
#include "streams/stream_subset.h"
#include "streams/streams_run.h"
#include "job/status_bar.h"
#include "texts/streams_texts.h"

namespace {

std::string Numbers(const std::vector<int>& numbers) {
  std::string text;
  for (int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
  return text;
}

class SelectRun {
 public:
  SelectRun(const StreamSelectRequest& request, JobSink& sink, StreamsOutcome& outcome)
      : request_(request), run_(request.path, sink, outcome), outcome_(outcome) {}
  StreamsOutcome& Run();

 private:
  // The streams kept; false once the outcome is finished.
  bool Choose();
  StreamsOutcome& Write(const std::string& name);

  const StreamSelectRequest& request_;
  StreamsRun run_;
  StreamsOutcome& outcome_;
  StreamSubset subset_;
};

bool SelectRun::Choose() {
  const bool keeping = !request_.keep.empty();
  for (int n : keeping ? request_.keep : request_.drop)
    if (!run_.CheckStream(n, keeping ? "--keep" : "--drop")) return false;
  const uint32_t count = run_.Analysis().streamCount;
  for (uint32_t s = 0; s < count; ++s) subset_.keep[s] = !keeping;
  for (int n : keeping ? request_.keep : request_.drop) subset_.keep[n] = keeping;
  for (uint32_t s = 0; s < count; ++s) (subset_.keep[s] ? outcome_.kept : outcome_.dropped).push_back(int(s));
  if (outcome_.kept.empty()) {
    run_.Fail(StreamsResult::NothingKept, request_.path + ": dropping " + Numbers(outcome_.dropped) +
                                              " leaves no stream of the " + std::to_string(count));
    return false;
  }
  subset_.chunksAsWritten = run_.ChunksAsWritten();
  return true;
}

StreamsOutcome& SelectRun::Write(const std::string& name) {
  AviOutput avi = SubsetOutput(run_.Input(), run_.Analysis(), run_.Layout(), subset_, run_.Stored());
  if (!MayWriteOver({name}, run_.Sink())) return run_.Fail(StreamsResult::Cancelled);  // No writes nothing
  OutputFile out;
  if (!out.Create(name)) return run_.Fail(StreamsResult::CannotWrite, name + ": " + out.Reason(), name + ": " + out.Reason());
  JobSink& sink = run_.Sink();
  sink.Status(run_.Text(kStreamsWriting), 10);
  StatusBar bar(sink, kStreamsWriting);
  const WriteOutcome written = WriteSubset(avi, run_.Analysis(), out, &bar, OdmlLimits(), request_.writer);
  if (!run_.Settle(out, written.result, written.problem)) return outcome_;
  outcome_.openDml = out.Position() >= OdmlLimits().riffThreshold;
  outcome_.chunks = avi.entries;
  outcome_.clone.asked = request_.writer.clone;
  outcome_.clone.Add(out.SharesBlocks(), out.SharedBytes(), out.Position());
  const std::string kept = Numbers(outcome_.kept), dropped = Numbers(outcome_.dropped);
  auto streams = [](const std::vector<int>& n) { return std::string(n.size() == 1 ? "stream " : "streams "); };
  const TextPair& done = texts::kSelectCompleted;
  const TextPair& drop = texts::kSelectDropped;
  return run_.Complete(run_.Both(
      Fill(done.english, {streams(outcome_.kept) + kept,
                          dropped.empty() ? "" : Fill(drop.english, {streams(outcome_.dropped) + dropped}), name}),
      Fill(done.japanese, {kept, dropped.empty() ? "" : Fill(drop.japanese, {dropped}), name})));
}

StreamsOutcome& SelectRun::Run() {
  if (!request_.keep.empty() && !request_.drop.empty())
    return run_.Fail(StreamsResult::KeepAndDrop, "--keep and --drop do not mix");
  if (request_.keep.empty() && request_.drop.empty())
    return run_.Fail(StreamsResult::NoStreamNamed, "no stream: give --keep N[,N...] or --drop N[,N...]");
  if (!run_.Open() || !Choose()) return outcome_;
  const std::string name = request_.output.empty() ? DefaultStreamsName(request_.path) : request_.output;
  if (!run_.CheckOutputName(name)) return outcome_;
  return Write(name);
}

}  // namespace

std::string DefaultStreamsName(const std::string& input) { return NameBeside(input, "-s.avi"); }

StreamsOutcome StreamSelectJob(const StreamSelectRequest& request, JobSink& sink) {
  StreamsOutcome outcome;
  SelectRun(request, sink, outcome).Run();
  return outcome;
}
