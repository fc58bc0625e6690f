// What the stream commands share: the input opened, analysed and checked
// (bar 0..10; a recording that ended badly refused with the reason and the
// repair hint), the output's name checked, the output committed, and the
// ending with a result of the table (streams/streams_result.h).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "avi/stream_format.h"
#include "job/job_sink.h"
#include "writer/header_layout.h"
#include "streams/streams_result.h"
#include "writer/write_result.h"

class OutputFile;

class StreamsRun {
 public:
  StreamsRun(const std::string& path, JobSink& sink, StreamsOutcome& outcome)
      : path_(path), sink_(sink), outcome_(outcome) {}

  const char* Text(const TextPair& pair) const { return sink_.Pick(pair.english, pair.japanese); }
  std::string Both(const std::string& english, const std::string& japanese) const {
    return sink_.EnglishUi() ? english : japanese;
  }
  // A text of the catalogue in the user's language, its places filled.
  std::string Both(const TextPair& text, std::initializer_list<std::string> values = {}) const {
    return Fill(Pick(text, sink_.EnglishUi()), values);
  }
  // Ends with result and its message; extra (in the user's language)
  // follows it after a blank line. After a read error or a change of the
  // input, that fault's result instead.
  StreamsOutcome& Fail(StreamsResult result, const std::string& detail = "", const std::string& extra = "");
  // Ends with the summary of a completed job.
  StreamsOutcome& Complete(const std::string& summary);

  // Opens, analyses and checks the input; false once the outcome is finished.
  bool Open();
  // A stream number the input has; false once the outcome is finished.
  bool CheckStream(int stream, const char* what);
  // The output's name may be written; false once the outcome is finished.
  bool CheckOutputName(const std::string& name);

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
  JobSink& Sink() { return sink_; }

  // Ends the writing of out with result: flushed, synced and moved into
  // place when written, else removed and the failure reported. True when
  // the output stands (the caller then completes the outcome).
  bool Settle(OutputFile& out, WriteResult result, const std::string& problem);

 private:
  // The structure's refusal, with the reason and the repair hint when the
  // file ended badly.
  StreamsOutcome& Refuse(StreamsResult result, const std::string& english, const std::string& japanese);
  StreamsOutcome& FailReading();
  bool CheckStructure();

  std::string path_;
  JobSink& sink_;
  StreamsOutcome& outcome_;
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
