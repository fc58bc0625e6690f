// The extract job (streams/extract_job.h): the input opened and checked
// (bar 0..10), the stream's kind read from its strh and strf, the name
// checked, then either the one-stream AVI written on the output skeleton, or
// the stream's chunks copied in index order into the sound file (bar
// 10..99), its header first: the sizes are known from the index before any
// byte is copied, and the bytes copied must come to them.
#include "streams/extract_job.h"

#include <cstring>
#include <vector>

#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "io/output_file.h"
#include "job/job_sink.h"
#include "job/output_commit.h"
#include "sound/adts_header.h"
#include "sound/wav_header.h"
#include "streams/stream_subset.h"
#include "streams/streams_run.h"
#include "job/status_bar.h"
#include "texts/streams_texts.h"

namespace {

constexpr size_t kCopyBytes = 1 << 20;  // the copy's buffer

bool IsAac(uint16_t tag) {
  return tag == 0xFF || tag == 0x1600 || tag == 0x1601 || tag == 0x1610 || tag == 0x706D || tag == 0xA106;
}

std::string Number(uint64_t n) { return std::to_string(n); }

// The stream's chunks as the index lists them, and what they hold.
struct StreamChunks {
  uint64_t chunks = 0, empty = 0, bytes = 0;
};

class ExtractRun {
 public:
  ExtractRun(const ExtractRequest& request, JobSink& sink, StreamsOutcome& outcome)
      : request_(request), run_(request.path, sink, outcome), outcome_(outcome) {}
  StreamsOutcome& Run();

 private:
  StreamChunks Count();
  StreamsOutcome& WriteAvi(const std::string& name);
  StreamsOutcome& WriteSound(const std::string& name);
  // Copies the stream's chunks into out after header; the write's result.
  WriteResult CopyChunks(OutputFile& out, const std::vector<uint8_t>& header, const AacConfig* aac,
                         StatusBar& bar);
  StreamsOutcome& Summary();

  const ExtractRequest& request_;
  StreamsRun run_;
  StreamsOutcome& outcome_;
  StreamChunks planned_;
};

StreamChunks ExtractRun::Count() {
  const AviAnalysis& a = run_.Analysis();
  IndexReader index(run_.Input(), a.idx1Offset, a.idx1EntryTotal);
  StreamChunks c;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) != request_.stream) continue;
    if (e.length == 0) ++c.empty;
    else ++c.chunks, c.bytes += e.length;
  }
  return c;
}

StreamsOutcome& ExtractRun::Summary() {
  const std::string n = Number(uint64_t(request_.stream)), name = outcome_.outputs[0];
  const std::string chunks = Number(outcome_.chunks), bytes = Number(outcome_.dataBytes);
  std::string text = run_.Both(texts::kExtractCompleted, {n, name, outcome_.format, chunks, bytes});
  if (outcome_.emptyChunks)
    text += "\n" + run_.Both(texts::kExtractEmptyChunks, {Number(outcome_.emptyChunks)});
  return run_.Complete(text);
}

StreamsOutcome& ExtractRun::WriteAvi(const std::string& name) {
  StreamSubset subset;
  subset.keep[request_.stream] = true;
  subset.chunksAsWritten = run_.ChunksAsWritten();
  AviOutput avi = SubsetOutput(run_.Input(), run_.Analysis(), run_.Layout(), subset, run_.Stored());
  if (!MayWriteOver({name}, run_.Sink())) return run_.Fail(StreamsResult::Cancelled);  // No writes nothing
  OutputFile out;
  if (!out.Create(name)) return run_.Fail(StreamsResult::CannotWrite, name + ": " + out.Reason(), name + ": " + out.Reason());
  JobSink& sink = run_.Sink();
  sink.Status(run_.Text(kStreamsWriting), 10);
  StatusBar bar(sink, kStreamsWriting);
  const WriteOutcome written = WriteSubset(avi, run_.Analysis(), out, &bar, OdmlLimits(), request_.writer);
  if (!run_.Settle(out, written.result, written.problem)) return outcome_;
  outcome_.openDml = outcome_.bytes >= OdmlLimits().riffThreshold;
  outcome_.clone.asked = request_.writer.clone;
  outcome_.clone.Add(out.SharesBlocks(), out.SharedBytes(), out.Position());
  outcome_.chunks = avi.entries;
  outcome_.dataBytes = planned_.bytes;
  return Summary();
}

WriteResult ExtractRun::CopyChunks(OutputFile& out, const std::vector<uint8_t>& header, const AacConfig* aac,
                                   StatusBar& bar) {
  if (!out.Write(header.data(), header.size())) return WriteResult::WriteFailed;
  const AviAnalysis& a = run_.Analysis();
  ByteInput& in = run_.Input();
  IndexReader index(in, a.idx1Offset, a.idx1EntryTotal);
  std::vector<uint8_t> buffer(kCopyBytes);
  const uint32_t total = index.Total();
  const uint32_t step = total / 89 + 1;
  for (uint32_t i = 0; i < total; ++i) {
    if (i % step == 0) {
      bar.Progress(int(10 + uint64_t(i) * 89 / total));
      if (bar.Cancelled()) return WriteResult::Cancelled;
    }
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) != request_.stream || e.length == 0) continue;
    uint64_t at = ChunkPosition(a.chunkBase, e) + 8;
    if (aac) {
      // A frame whole: it either is an ADTS frame already or gets a header.
      if (e.length > kCopyBytes) return WriteResult::TooLarge;
      if (in.ReadBulk(at, buffer.data(), e.length) != e.length) return WriteResult::InputShort;
      const bool adts = IsAdtsFrame(buffer.data(), e.length);
      if (!adts && e.length > kMaxAdtsFrame) return WriteResult::TooLarge;
      uint8_t h[7];
      if (!adts) MakeAdtsHeader(*aac, e.length, h);
      if ((!adts && !out.Write(h, 7)) || !out.Write(buffer.data(), e.length)) return WriteResult::WriteFailed;
    } else {
      for (uint64_t left = e.length; left > 0;) {
        const size_t n = left < kCopyBytes ? size_t(left) : kCopyBytes;
        if (in.ReadBulk(at, buffer.data(), n) != n) return WriteResult::InputShort;
        if (!out.Write(buffer.data(), n)) return WriteResult::WriteFailed;
        at += n, left -= n;
      }
    }
    ++outcome_.chunks;
    outcome_.dataBytes += e.length;
  }
  if (outcome_.dataBytes != planned_.bytes) return WriteResult::InputChanged;
  return WriteResult::Written;
}

StreamsOutcome& ExtractRun::WriteSound(const std::string& name) {
  const std::vector<uint8_t> format = run_.FormatBlock(request_.stream);
  AacConfig config;
  const bool aac = outcome_.format == "aac";
  if (aac) {
    const AacConfigProblem problem = ReadAacConfig(format, &config);
    const TextPair why[] = {{"", ""}, texts::kAacConfigCutShort, texts::kAacObjectType, texts::kAacSamplingRate,
                            texts::kAacChannels};
    if (problem != AacConfigProblem::None)
      return run_.Fail(StreamsResult::AacConfig, request_.path + ": stream " + Number(uint64_t(request_.stream)) + ": " + why[int(problem)].english,
                       run_.Both(why[int(problem)]));
  }
  std::vector<uint8_t> header;
  if (outcome_.format == "wav") {
    header = WavHeader(format, planned_.bytes);
    outcome_.rf64 = header.size() >= 4 && std::memcmp(header.data(), "RF64", 4) == 0;
  }
  if (!MayWriteOver({name}, run_.Sink())) return run_.Fail(StreamsResult::Cancelled);  // No writes nothing
  OutputFile out;
  if (!out.Create(name)) return run_.Fail(StreamsResult::CannotWrite, name + ": " + out.Reason(), name + ": " + out.Reason());
  JobSink& sink = run_.Sink();
  sink.Status(run_.Text(kStreamsWriting), 10);
  StatusBar bar(sink, kStreamsWriting);
  WriteResult result = CopyChunks(out, header, aac ? &config : nullptr, bar);
  const uint8_t pad = 0;
  if (result == WriteResult::Written && outcome_.format == "wav" && WavPadBytes(planned_.bytes) && !out.Write(&pad, 1))
    result = WriteResult::WriteFailed;
  if (result == WriteResult::TooLarge) {
    out.Abandon();
    return run_.Fail(StreamsResult::AacConfig, request_.path + ": an AAC frame is larger than an ADTS frame can be",
                     run_.Both(texts::kAacFrameTooLarge));
  }
  if (result == WriteResult::Written) bar.Progress(99);
  if (!run_.Settle(out, result, "")) return outcome_;
  outcome_.emptyChunks = planned_.empty;
  return Summary();
}

StreamsOutcome& ExtractRun::Run() {
  if (request_.stream < 0) return run_.Fail(StreamsResult::NoStreamNamed, "no stream: give --stream N");
  if (!run_.Open() || !run_.CheckStream(request_.stream, "stream")) return outcome_;
  outcome_.stream = request_.stream;
  const StreamFormat f = run_.Format(request_.stream);
  const char* extension = ExtractExtension(f.fccType, f.hasFormat ? f.formatTag : 0);
  outcome_.format = extension;
  const std::string name =
      request_.output.empty() ? DefaultExtractName(request_.path, request_.stream, extension) : request_.output;
  const std::string asked = ExtensionOf(name);
  const char* kinds[] = {"wav", "mp3", "mp2", "ac3", "dts", "aac"};
  for (const char* kind : kinds)
    if (asked == kind && asked != extension) {
      const std::string n = Number(uint64_t(request_.stream));
      const bool avi = std::string(extension) == "avi";
      const TextPair& as = avi ? texts::kExtractAsAvi : texts::kExtractAsExtension;
      const std::string english = Fill(texts::kExtractWrongExtension.english, {n, Fill(as.english, {extension}), asked});
      const std::string japanese = Fill(texts::kExtractWrongExtension.japanese, {n, Fill(as.japanese, {extension}), asked});
      return run_.Fail(StreamsResult::WrongExtension, name + ": " + english,
                       run_.Both("S" + english.substr(1), japanese));
    }
  if (!run_.CheckOutputName(name)) return outcome_;
  planned_ = Count();
  if (asked == "avi" || outcome_.format == "avi") {
    outcome_.format = "avi";
    return WriteAvi(name);
  }
  return WriteSound(name);
}

}  // namespace

const char* ExtractExtension(uint32_t fccType, uint16_t tag) {
  if (fccType != kAuds) return "avi";
  if (tag == 1 || tag == 0xFFFE) return "wav";
  if (tag == 0x55) return "mp3";
  if (tag == 0x50) return "mp2";
  if (tag == 0x2000) return "ac3";
  if (tag == 0x2001) return "dts";
  if (IsAac(tag)) return "aac";
  return "avi";
}

std::string DefaultExtractName(const std::string& input, int stream, const std::string& extension) {
  return NameBeside(input, "." + std::to_string(stream) + "." + extension);
}

StreamsOutcome ExtractJob(const ExtractRequest& request, JobSink& sink) {
  StreamsOutcome outcome;
  ExtractRun(request, sink, outcome).Run();
  return outcome;
}
