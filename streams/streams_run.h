// What the stream commands share besides the job run's ends
// (job/job_run.h): the input opened, analysed and checked (bar 0..10), its
// streams and their formats, and the output settled, with the results of
// their table (streams/streams_result.h).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "avi/stream_format.h"
#include "job/job_run.h"
#include "job/job_sink.h"
#include "writer/header_layout.h"
#include "streams/streams_result.h"
#include "writer/write_result.h"

class OutputFile;

class StreamsRun : public JobRun<StreamsOutcome, StreamsResult> {
 public:
  StreamsRun(const std::string& path, JobSink& sink, StreamsOutcome& outcome)
      : JobRun(sink, outcome, StreamsResultText), path_(path) {}

  // Opens, analyses and checks the input; false once the outcome is finished.
  bool Open();
  // A stream number the input has; false once the outcome is finished.
  bool CheckStream(int stream, const char* what);
  // The output's name may be written; false once the outcome is finished.
  bool CheckOutputName(const std::string& name) { return JobRun::CheckOutputName(name, {&path_}); }

  ByteInput& Input() { return source_->Input(); }
  const AviAnalysis& Analysis() const { return analysis_; }
  const HeaderLayout& Layout() const { return layout_; }
  bool ChunksAsWritten() const { return chunksAsWritten_; }
  bool IsOpenDml() const { return source_->IsOpenDml(); }
  // The source behind Input() when that is an OpenDML file's view, else null.
  AviSource* Stored() { return source_->IsOpenDml() ? source_.get() : nullptr; }
  StreamFormat Format(int stream);
  // The stream's strf bytes.
  std::vector<uint8_t> FormatBlock(int stream);

  // Ends the writing of out with result: flushed, synced and moved into
  // place when written, else removed and the failure reported. True when
  // the output stands (the caller then completes the outcome).
  bool Settle(OutputFile& out, WriteResult result, const std::string& problem);

 private:
  const ReadFault& InputFault() override { return source_->File().Fault(); }
  void CheckInputSize() override { source_->File().CheckSize(); }
  void ForgetOutputs() override { outcome_.outputs.clear(); }
  // The structure's refusal, with the reason and the repair hint when the
  // file ended badly.
  StreamsOutcome& Refuse(StreamsResult result, const TextPair& why, std::initializer_list<std::string> values = {}) {
    return JobRun::Refuse(result, path_, Fill(why.english, values), Fill(why.japanese, values));
  }
  bool CheckStructure();

  std::string path_;
  std::shared_ptr<AviSource> source_ = std::make_shared<AviSource>();
  AviAnalysis analysis_{};
  HeaderLayout layout_;
  bool chunksAsWritten_ = false;
};

// The input's name with its extension (the last component's final "." and
// what follows) replaced by ending, or ending appended.
std::string NameBeside(const std::string& input, const std::string& ending);
// The extension of a name (after the last component's final "."), lower case.
std::string ExtensionOf(const std::string& name);
