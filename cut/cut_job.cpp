// The cut job (cut/cut_job.h): ranges read and checked before the input is
// opened, then the input analysed (bar 0..10), the ranges snapped and
// planned, and the outputs written (bar 10..99) by the chain writer (one
// file) or the many-piece split's writer (a file per range).
#include "cut/cut_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/key_frame_list.h"
#include "avi/read_fault.h"
#include "chain/chain_writer.h"
#include "job/output_commit.h"
#include "job/status_bar.h"
#include "cut/cut_list.h"
#include "cut/cut_rule.h"
#include "exact/exact_coder.h"
#include "exact/exact_heads.h"
#include "exact/two_coders.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "job/job_run.h"
#include "job/forwarding_sink.h"
#include "job/later_bar_sink.h"
#include "share/piece_writer.h"
#include "share/share_builder.h"
#include "scan/damage_report.h"
#include "share/share_input.h"
#include "share/split_source.h"
#include "texts/cut_texts.h"

namespace {

// Passes everything on to the host's sink and keeps the messages shown;
// while holding it keeps messages back until the run they belong to is
// known to stand (Release) or not (Drop).
class CutSink : public ForwardingSink {
 public:
  explicit CutSink(JobSink& host) : ForwardingSink(host) {}
  void Message(const char* text, MessageOwner owner) override {
    message += (message.empty() ? "" : "\n") + std::string(text);
    if (holding) held_.push_back({text, owner});
    else host_.Message(text, owner);
  }
  void Release() {
    holding = false;
    for (const auto& m : held_) host_.Message(m.first.c_str(), m.second);
    held_.clear();
  }
  void Drop(const std::string& shownBefore) {
    holding = false;
    held_.clear();
    message = shownBefore;
  }

  const char* Text(const TextPair& pair) const { return Pick(pair.english, pair.japanese); }

  std::string message;
  bool holding = false;

 private:
  std::vector<std::pair<std::string, MessageOwner>> held_;
};

std::string Both(const CutSink& sink, const std::string& english, const std::string& japanese) {
  return sink.EnglishUi() ? english : japanese;
}

// The asked ranges, and whether they are dropped ones; Completed or the refusal.
CutResult GatherRanges(const CutRequest& request, CutSink& sink, CutOutcome& outcome, std::vector<AskedRange>* asked,
                       bool* dropped, std::string* extra) {
  if (!request.ranges.empty() || request.byEvery) {
    *asked = request.ranges;
    *dropped = false;
    return CutResult::Completed;
  }
  const bool fromList = !request.list.empty();
  if ((!request.keep.empty() && !request.drop.empty()) || (fromList && !(request.keep.empty() && request.drop.empty()))) {
    outcome.detail = fromList ? "a cut list does not mix with ranges given as --keep or --drop"
                              : "--keep and --drop do not mix";
    return CutResult::KeepAndDrop;
  }
  if (fromList) {
    CutList list;
    ListError error;
    if (!ReadCutList(request.list, &list, &error)) {
      if (error.unreadable) {
        outcome.detail = request.list + ": " + error.reason;
        *extra = request.list + ": " + error.reason;
        return CutResult::ListUnreadable;
      }
      outcome.detail = request.list + ": line " + std::to_string(error.line) + ": " + error.english;
      *extra = Both(sink, Fill(texts::kCutListLine.english, {request.list, std::to_string(error.line), error.english}),
                    Fill(texts::kCutListLine.japanese, {request.list, std::to_string(error.line), error.japanese}));
      return CutResult::ListBadLine;
    }
    outcome.listFormat = ListFormatName(list.format);
    if (list.ranges.empty()) {
      outcome.detail = request.list + ": the " + outcome.listFormat + " list names no range to cut";
      return CutResult::NoRange;
    }
    *asked = list.ranges;
    *dropped = list.dropped;
    return CutResult::Completed;
  }
  *dropped = !request.drop.empty();
  for (const std::string& text : *dropped ? request.drop : request.keep) {
    AskedRange range;
    RangeProblem problem;
    TimeTextProblem time;
    if (!ParseRange(text, &range, &problem, &time)) {
      const TextPair& why = TimeTextProblemText(time);
      const bool timeWrong = time != TimeTextProblem::kNone;
      outcome.detail = "\"" + text + "\"" + (timeWrong ? std::string(": ") + why.english : "");
      *extra = "\"" + text + "\"" + (timeWrong ? std::string(": ") + sink.Text(why) : "");
      return problem == RangeProblem::EndNotAfterStart ? CutResult::RangeEmpty : CutResult::RangeInvalid;
    }
    asked->push_back(range);
  }
  if (asked->empty()) {
    outcome.detail = "no range: give --keep RANGE, --drop RANGE or --list LISTFILE";
    return CutResult::NoRange;
  }
  return CutResult::Completed;
}

// Seconds as a clock text for messages: "1:02:03.500", "42.000".
std::string ClockText(double seconds) {
  char text[48];
  const uint64_t ms = uint64_t(seconds * 1000 + 0.5);
  const uint64_t h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, f = ms % 1000;
  if (h) std::snprintf(text, sizeof text, "%llu:%02llu:%02llu.%03llu", (unsigned long long)h, (unsigned long long)m,
                       (unsigned long long)s, (unsigned long long)f);
  else if (m) std::snprintf(text, sizeof text, "%llu:%02llu.%03llu", (unsigned long long)m, (unsigned long long)s,
                            (unsigned long long)f);
  else std::snprintf(text, sizeof text, "%llu.%03llu s", (unsigned long long)s, (unsigned long long)f);
  return text;
}

double SecondsOf(uint64_t frames, const VideoClock& clock) { return double(frames) * clock.scale / clock.rate; }

// One link of the chain per kept range: the stretch of the index its share
// walks, and of each stream the share's entries and cut chunks.
ChainLink LinkOf(const AviAnalysis& a, ByteInput& input, const Piece& piece) {
  ChainLink link = WholeLink(a, input);
  link.idx1Offset = a.idx1Offset + 16ull * piece.stretch.from;
  link.entryTotal = piece.stretch.to > piece.stretch.from ? piece.stretch.to - piece.stretch.from : 0;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamShare& share = piece.share.streams[s];
    link.keepCount[s] = share.Entries();
    const uint32_t at = piece.stretch.startAt[s];
    link.startAt[s] = share.Entries() == 0 || at < piece.stretch.from ? 0 : at - piece.stretch.from;
    link.firstTail[s] = share.firstTail;
    link.lastHead[s] = share.lastHead;
  }
  // A link counts its entries from its own first.
  if (piece.share.swap) {
    auto swap = std::make_shared<ChunkSwap>(*piece.share.swap);
    swap->Rebase(piece.share.streams[size_t(swap->stream)].begin);
    link.swap = swap;
  }
  return link;
}

// The ends of the compressed sound an exact cut placed by whole frames;
// drift: in one file, what the ranges before left of each stream's sound
// beyond their pictures (null: a file per range); lead: what the next
// range's sound ends make up for, the drift within a frame either way.
// Whole frames leave less than a frame; more comes of sound missing from
// the source (a range past the sound's end), which taking other sound
// from elsewhere would not mend: it is left as it is, and said. A frame
// of unknown length carries nothing.
void NoteSoundEnds(const Piece& piece, CutRangeFigures* figures, double* drift, double* lead) {
  for (uint32_t n = 0; n < kMaxStreams; ++n) {
    const SoundFrameEnds& e = piece.sound[n];
    if (!e.placed) continue;
    const double before = drift ? drift[n] : 0;
    figures->sound.push_back(
        CutSoundFigures{n, e.startOffset, e.endCut, e.endOffset, e.frameSeconds, before - e.startOffset});
    if (!drift) continue;
    drift[n] = before + e.endOffset - e.startOffset;
    lead[n] = std::max(-e.frameSeconds, std::min(drift[n], e.frameSeconds));
  }
}

// Every link reads the one input (an OpenDML file's chunks from the file).
class OneInput : public ChainInputs {
 public:
  explicit OneInput(std::shared_ptr<AviSource> source)
      : input_(source, &source->Input()), stored_(source->IsOpenDml() ? source : nullptr) {}
  std::shared_ptr<ByteInput> Open(size_t) override { return input_; }
  std::shared_ptr<AviSource> Stored(size_t) override { return stored_; }

 private:
  std::shared_ptr<ByteInput> input_;
  std::shared_ptr<AviSource> stored_;
};


class CutRun : public JobRun<CutOutcome, CutResult> {
 public:
  CutRun(const CutRequest& request, CutSink& sink, CutOutcome& outcome)
      : JobRun(sink, outcome, CutResultText), request_(request), cutSink_(sink) {}

  CutOutcome& Run();
  CutOutcome& Plan();

 private:
  const ReadFault& InputFault() override { return input_->File().Fault(); }
  void CheckInputSize() override { input_->File().CheckSize(); }
  void ForgetOutputs() override { outcome_.outputs.clear(), outcome_.bytes.clear(); }
  // The outcome's message is every message the cut showed (CutSink), set
  // when the run ends.
  void Show(const std::string& text, bool failed) override {
    sink_.Message((failed ? sink_.WithDetail(text, outcome_.detail) : text).c_str(), MessageOwner::ProgressWindow);
  }
  // The structure's refusal, with the repair hint when the file ended badly.
  CutOutcome& Refuse(CutResult result, const std::string& what);
  bool Open();
  bool Prepare();
  bool Snap(const std::vector<AskedRange>& asked, bool dropped);
  bool Names();
  // A range every request_.every seconds, the last to the end.
  std::vector<AskedRange> EveryRanges() const;
  // Everything after the analysis; guessed: the analysis is a guess that
  // mayCommit confirms before any output replaces its name.
  CutOutcome& PlanAndWrite(const std::vector<AskedRange>& asked, bool dropped, bool guessed,
                           const std::function<bool()>& mayCommit);
  // The pieces of the kept ranges written as one file or a file each.
  CutOutcome& WritePieces(bool guessed, const std::function<bool()>& mayCommit);
  CutOutcome& WriteOne(const std::vector<Piece>& pieces, bool guessed, const std::function<bool()>& mayCommit);
  CutOutcome& WriteSeparate(const std::vector<Piece>& pieces, bool guessed, const std::function<bool()>& mayCommit);
  CutOutcome& Complete();
  std::string DoneLines() const;
  // The video's frames listed in keyList_; false once the outcome is finished.
  bool ListFrames();
  // The exact cut's coder opened on the input as analysed (its frames
  // listed); false once the outcome is finished.
  bool OpenExact();
  // Re-encodes the kept ranges' heads; false once the outcome is finished.
  bool MakeHeads();
  // Range i starts on the key frame before its first frame (and ends on a
  // key frame when its tail was to be made anew), nothing made anew.
  void FallBack(size_t i);
  // Range i's figures as kept_ and heads_ say.
  void SetFigures(size_t i);
  // Whether the finished output at path (under its temporary name), which
  // holds the ranges from `from` on (`count` of them), decodes across every
  // seam of theirs as the source does; else the ranges that do not are in
  // seamFaults_ (none: a cancel stopped the check).
  bool SeamsHold(const std::string& path, size_t from, size_t count);
  // The seams of the ranges from `from` on (`count` of them), in an output
  // that holds them from its start, `copiedChecked` copied frames after each.
  std::vector<std::pair<size_t, ExactSeam>> SeamsOf(size_t from, size_t count, uint32_t copiedChecked) const;
  // Checks seams (range, seam) on two coders; (*failures)[k] says why seam k did not hold.
  void CheckSeams(const std::string& path, std::vector<std::pair<size_t, ExactSeam>>& seams, FramesWatch& watch,
                  std::vector<std::string>* failures);
  std::string ExactLines() const;
  std::string SoundOffLines(size_t i, const CutRangeFigures& r) const;

  const CutRequest& request_;
  CutSink& cutSink_;
  std::shared_ptr<AviSource> input_ = std::make_shared<AviSource>();
  AviAnalysis analysis_{};
  SplitConfirmation confirmation_{analysis_};
  VideoClock clock_;
  uint32_t frameMicros_ = 0;
  std::vector<KeptRange> kept_;  // in the order of the outputs
  std::vector<std::string> names_;
  KeyFrameList keyList_;
  bool framesListed_ = false;  // keyList_ holds this analysis's frames
  ExactStream exactStream_;
  std::vector<ExactHead> heads_;  // an exact cut's, one per kept range
  std::unique_ptr<ExactCoder> second_;  // a second coder of the input, for a second core (null: none)
  // The ranges of an output that did not decode as the source across a
  // seam, and why, in English.
  std::vector<std::pair<size_t, std::string>> seamFaults_;
  int reencodeCells_ = 0;         // the bar's cells from 10 on that their re-encode took
  int checkCells_ = 0;            // the bar's last cells, that the check of their seams takes
  uint64_t checkedFrames_ = 0;    // the frames that check has compared in this writing
  LaterBarSink* writingBar_ = nullptr;  // the writing's bar, while it is written
};

CutOutcome& CutRun::Refuse(CutResult result, const std::string& what) {
  CheckInputSize();
  if (InputFault()) return FailReading();
  const DamageReport damage = InspectDamage(request_.path);
  // A file cut short has its header, its avih and its movi list: what the
  // walk missed is the end of the file, which the damage line says.
  std::string detail = request_.path + ":" + (damage.damaged && what.empty() ? "" : " " + what);
  AddDamageDetail(detail, damage);
  return Fail(damage.damaged ? CutResult::Damaged : result, detail, damage.damaged ? damage.In(sink_.EnglishUi()) : "");
}

// Opens and analyses the input as the split does; false once the outcome is finished.
bool CutRun::Open() {
  const std::string& path = request_.path;
  if (const InputStop opened = OpenInput(path, *input_)) return Fail(CutResult::InputNotOpen, opened.detail), false;
  const InputStop stop = AnalyseSplitInput(path, *input_, analysis_, sink_, &confirmation_.walk);
  if (!stop) return true;
  if (stop.kind == InputStop::Cancelled || sink_.Cancelled()) return Fail(CutResult::Cancelled), false;
  if (stop.kind == InputStop::NotRiff) return Fail(CutResult::InputNotRiff, stop.detail), false;
  if (stop.kind == InputStop::ReadFault) return FailReading(), false;
  // Broken OpenDML indexes: a recording that ended badly has the reason
  // named once with them and once by the refusal, as it always had.
  std::string what = stop.why;
  AddDamageDetail(what, InspectDamage(path));
  Refuse(CutResult::OpenDml, what);
  return false;
}

// The structure checks and the video's clock; false once the outcome is finished.
bool CutRun::Prepare() {
  const std::string& path = request_.path;
  SplitPlan base;
  const SplitResult structure = StartSplitPlan(SplitSource{input_->Input(), analysis_, path}, base);
  if (structure == SplitResult::OpenDml) {
    Refuse(CutResult::OpenDml, "OpenDML index (indx): not supported");
    return false;
  }
  if (structure != SplitResult::Completed) {
    const char* what = SplitStructureDetail(structure);
    Refuse(CutResult::Unsupported, structure == SplitResult::NoHeaderFields && InspectDamage(path).damaged ? ""
                                   : what                                                                 ? what
                                                                                                          : "not supported");
    return false;
  }
  frameMicros_ = base.frameMicros;
  // R from the video's own header (dwRate / dwScale lie 8 and 12 bytes
  // before dwLength); a header without them gives the frame time's rate.
  const StreamEntry& video = analysis_.streams[analysis_.firstVideoStream];
  clock_.scale = input_->Input().U32At(video.lengthOffset - 12);
  clock_.rate = input_->Input().U32At(video.lengthOffset - 8);
  if (clock_.rate == 0 || clock_.scale == 0) clock_.rate = 1000000, clock_.scale = frameMicros_;
  clock_.frames = base.videoFrames;
  outcome_.videoFrames = base.videoFrames;
  if (clock_.scale == 0) {
    Refuse(CutResult::Unsupported, "no frame rate (dwRate, dwScale and dwMicroSecPerFrame are 0)");
    return false;
  }
  return true;
}

bool CutRun::ListFrames() {
  const FrameListProblem problem =
      ListKeyFrames(*input_, analysis_, &keyList_, [this] { return !sink_.Cancelled(); });
  if (problem == FrameListProblem::Cancelled) return Fail(CutResult::Cancelled), false;
  if (problem != FrameListProblem::None) {
    Refuse(CutResult::Unsupported, FrameListProblemText(problem)->english);
    return false;
  }
  framesListed_ = true;
  return true;
}

// Snaps the asked ranges to key frames: the kept ranges, merged unless each
// is a file of its own; the dropped frames. False once the outcome is finished.
bool CutRun::Snap(const std::vector<AskedRange>& given, bool dropped) {
  std::vector<AskedRange> asked = given;
  if (request_.byEvery) asked = EveryRanges();
  if (!framesListed_ && !ListFrames()) return false;
  const KeyFrameList& list = keyList_;
  std::vector<uint32_t> keys;
  keys.reserve(list.keys.size());
  for (const FrameEntry& k : list.keys) keys.push_back(k.frame);
  // A range that starts at or after the end is no mistake of a list that
  // drops to the end, but one the user named.
  for (const AskedRange& r : asked) {
    if (FloorFrame(r.start, clock_) < clock_.frames) continue;
    const std::string length = ClockText(SecondsOf(clock_.frames, clock_));
    const std::string frames = std::to_string(clock_.frames);
    const std::string where = r.line ? "line " + std::to_string(r.line) + ", " : "";
    Fail(CutResult::StartsAfterEnd,
         "\"" + r.text + "\" (" + where + "the recording is " + length + " long, " + frames + " frames)",
         Both(texts::kCutRecordingLength, {r.text, length, frames}));
    return false;
  }
  std::vector<AskedRange> keptAsked = asked;
  std::vector<DropGroup> groups;
  if (dropped) keptAsked = KeptBetween(asked, &groups);
  std::vector<KeptRange> snapped;
  std::vector<int> snappedOf(keptAsked.size(), -1);
  for (size_t i = 0; i < keptAsked.size(); ++i) {
    KeptRange k;
    const bool made = request_.exact ? ExactRange(keptAsked[i], clock_, &k) : SnapRange(keptAsked[i], keys, clock_, &k);
    if (!made) continue;  // kept after a drop to past the end
    k.asked.push_back(i);
    snappedOf[i] = int(snapped.size());
    snapped.push_back(k);
  }
  if (snapped.empty()) return Fail(CutResult::NothingKept, "the ranges dropped cover all " +
                                                              std::to_string(clock_.frames) + " frames"),
                              false;
  for (const DropGroup& g : groups) {
    const int before = g.keptBefore >= 0 ? snappedOf[g.keptBefore] : -1;
    const int after = g.keptAfter >= 0 ? snappedOf[g.keptAfter] : -1;
    const uint32_t lo = before >= 0 ? snapped[before].end : 0;
    const uint32_t hi = after >= 0 ? snapped[after].first : clock_.frames;
    outcome_.drops.push_back(CutDropFigures{g.text, hi > lo ? hi - lo : 0});
  }
  outcome_.droppedFrames = FramesNotKept(snapped, clock_.frames);
  kept_ = request_.separate ? snapped : MergeKept(snapped);
  for (const KeptRange& k : kept_) {
    CutRangeFigures f;
    f.firstFrame = k.first;
    f.frames = k.end - k.first;
    f.startSeconds = SecondsOf(k.first, clock_);
    f.seconds = SecondsOf(f.frames, clock_);
    for (size_t i : k.asked) f.asked.push_back(keptAsked[i].text);
    outcome_.ranges.push_back(f);
  }
  return true;
}

bool CutRun::OpenExact() {
  if (!request_.exact) return true;
  if (request_.coder == nullptr) return Fail(CutResult::NotExact, "this build has no decoders"), false;
  second_.reset();  // opened on an earlier analysis, if any
  exactStream_ = request_.coder->Open(request_.path, analysis_, keyList_);
  // The coder opens the input by its name: renamed over since, it would read another file.
  input_->File().CheckStillNamed();
  if (InputFault()) return FailReading(), false;
  if (!exactStream_.cuttable) return Fail(CutResult::NotExact, exactStream_.why), false;
  return true;
}

bool CutRun::MakeHeads() {
  if (!request_.exact) return true;
  heads_.assign(kept_.size(), ExactHead());
  for (size_t i = 0; i < kept_.size(); ++i) {
    ExactHead& h = heads_[i];
    h.first = kept_[i].first;
    h.end = kept_[i].end;
    PlanHead(*request_.coder, exactStream_, keyList_, &h);
  }
  const SplitSource source = SplitSourceOf(*input_, analysis_, request_.path);
  ExactWork work{*request_.coder, source, *input_, keyList_, clock_.frames, frameMicros_, clock_.rate, clock_.scale,
                 names_[0], sink_};
  work.bFrames = exactStream_.bFrames;
  uint64_t made = 0;
  for (const ExactHead& h : heads_) made += h.Made();
  if (made && !second_) second_ = SecondCoder(*request_.coder);
  input_->File().CheckStillNamed();  // the second coder opened the input by its name too
  if (InputFault()) return FailReading(), false;
  work.second = second_.get();
  uint64_t copied = 0;
  for (const KeptRange& k : kept_) copied += k.end - k.first;
  reencodeCells_ = ReencodeCells(heads_, copied);
  checkCells_ = CheckCells(heads_, copied);
  std::string why;
  if (!ReencodeHeads(work, heads_, reencodeCells_, &why)) {
    if (why.empty()) return Fail(CutResult::Cancelled), false;
    return Fail(CutResult::CannotWrite, names_[0] + ": " + why), false;  // beside it, the side files failed
  }
  for (size_t i = 0; i < kept_.size(); ++i) {
    if (!heads_[i].exact) FallBack(i);  // the head could not be made
    SetFigures(i);
  }
  return true;
}

void CutRun::FallBack(size_t i) {
  ExactHead& h = heads_[i];
  const int key = keyList_.KeyAtOrBefore(h.first);
  kept_[i].first = key >= 0 ? keyList_.keys[size_t(key)].frame : 0;
  // Nor is the tail made anew: with B-frames the range ends on a key frame too.
  if (h.tailFrames) {
    const int after = keyList_.KeyAfter(h.end - 1);
    kept_[i].end = after >= 0 ? keyList_.keys[size_t(after)].frame : clock_.frames;
  }
  h.reencoded = h.tailFrames = 0;
  h.swap.reset();
  h.side.reset();
  h.moviChange[0] = h.moviChange[1] = 0;
}

void CutRun::SetFigures(size_t i) {
  const ExactHead& h = heads_[i];
  CutRangeFigures& f = outcome_.ranges[i];
  f.firstFrame = kept_[i].first;
  f.frames = kept_[i].end - kept_[i].first;
  f.startSeconds = SecondsOf(f.firstFrame, clock_);
  f.seconds = SecondsOf(f.frames, clock_);
  f.reencodedFrames = h.Made();
  f.exact = h.exact;
  f.notExactWhy = h.why;
  f.lowestPsnr = h.Made() ? h.lowestPsnr : 0;
}

bool CutRun::SeamsHold(const std::string& path, size_t from, size_t count) {
  // Copied frames decoded after each seam: a copied frame that the decoder
  // reads otherwise than in the source shows at once, and a mismatch
  // carries on to the next key frame.
  constexpr uint32_t kCopiedChecked = 12;
  uint64_t total = 0;
  for (const ExactHead& h : heads_) total += h.exact && h.swap ? h.Made() + kCopiedChecked : 0;
  total = std::max<uint64_t>(total, 1);
  const int cellsFrom = 100 - checkCells_;
  const uint64_t before = checkedFrames_;
  int shown = -1;
  FramesWatch watch(sink_, [&](uint64_t done) {
    const int cells = cellsFrom + int(uint64_t(100 - cellsFrom) * std::min(before + done, total) / total);
    if (cells != shown) writingBar_->After(shown = cells);
  });
  std::vector<std::pair<size_t, ExactSeam>> seams = SeamsOf(from, count, kCopiedChecked);
  std::vector<std::string> failures(seams.size());
  CheckSeams(path, seams, watch, &failures);
  checkedFrames_ += watch.Done();
  if (watch.Stopped() || sink_.Cancelled()) return false;
  for (size_t k = 0; k < seams.size(); ++k) {
    const size_t range = seams[k].first;
    if (failures[k].empty() || (!seamFaults_.empty() && seamFaults_.back().first == range)) continue;
    // Every seam of the file is checked, so that those that fail all fall back at once.
    seamFaults_.push_back({range, "the output did not decode as the source across its seam (" + failures[k] + ")"});
  }
  return seamFaults_.empty();
}

std::vector<std::pair<size_t, ExactSeam>> CutRun::SeamsOf(size_t from, size_t count, uint32_t copiedChecked) const {
  std::vector<std::pair<size_t, ExactSeam>> seams;
  uint32_t at = 0;  // the range's first frame in the output
  for (size_t i = from; i < from + count && i < heads_.size(); at += kept_[i].end - kept_[i].first, ++i) {
    const ExactHead& h = heads_[i];
    // A key frame moved to the range's first frame is a seam too.
    if (!h.exact || (h.Made() == 0 && !h.moveKey)) continue;
    if (h.reencoded || h.moveKey) {
      const uint32_t copiedFrom = h.first + h.reencoded;
      const uint32_t copiedEnd = h.tailFrames ? h.tailFrom : h.end;
      const uint32_t copied = copiedEnd > copiedFrom ? std::min(copiedChecked, copiedEnd - copiedFrom) : 0;
      seams.push_back({i, ExactSeam{at, h.first, h.reencoded, copied}});
    }
    if (h.tailFrames) seams.push_back({i, ExactSeam{at + (h.tailFrom - h.first), h.tailFrom, h.tailFrames, 0}});
  }
  return seams;
}

// Two seams at a time, each on a core of its own; an odd one out alone
// last, on both cores (the output's frames decoded on a thread of their own).
void CutRun::CheckSeams(const std::string& path, std::vector<std::pair<size_t, ExactSeam>>& seams, FramesWatch& watch,
                        std::vector<std::string>* failures) {
  ExactCoder& coder = *request_.coder;
  ExactCoder* second = seams.size() > 1 ? second_.get() : nullptr;
  const size_t together = second ? seams.size() & ~size_t(1) : 0;
  const auto check = [&](ExactCoder& c, size_t k) {
    double lowest = 0;
    std::string& why = (*failures)[k];
    if (c.CheckSeam(path, seams[k].second, &lowest, &why) || watch.Stopped()) return why.clear();  // held, or a cancel
    if (why.empty()) why = "the check stopped without a reason";
  };
  for (size_t k = 0; k < together; ++k) seams[k].second.besideAnother = true;
  coder.Watch(&watch);
  if (second) second->Watch(&watch);
  ShareWork(coder, second, together, watch, check);
  for (size_t k = together; k < seams.size() && !watch.Stopped() && !sink_.Cancelled(); ++k) check(coder, k);
  coder.Watch(nullptr);
  coder.CheckEnded();
  if (second) second->Watch(nullptr), second->CheckEnded();
}

// A line for each compressed sound stream of range i that plays off the
// picture by more than one of its frames (within half a frame is what whole
// frames allow, in one file too, where each range's ends make up for the
// ranges before; more comes of sound that starts late or ends early in the
// source).
std::string CutRun::SoundOffLines(size_t i, const CutRangeFigures& r) const {
  std::string lines;
  for (const CutSoundFigures& f : r.sound) {
    const double limit = f.frameSeconds > 0 ? f.frameSeconds : 0.05;
    if (std::fabs(f.sync) < limit + 0.0005) continue;  // a frame's length itself is no news
    const std::string ms = std::to_string(int64_t(std::fabs(f.sync) * 1000 + 0.5));
    lines += "\n" + Both(f.sync > 0 ? texts::kCutSoundLate : texts::kCutSoundEarly,
                         {std::to_string(i + 1), ms, std::to_string(f.stream)});
  }
  return lines;
}

// The exact cut's lines: the frames made anew, the seams that fell back.
std::string CutRun::ExactLines() const {
  uint64_t frames = 0, seams = 0;
  std::string lines;
  for (size_t i = 0; i < outcome_.ranges.size(); ++i) {
    const CutRangeFigures& r = outcome_.ranges[i];
    frames += r.reencodedFrames;
    // A tail made anew (B-frames: the range ends inside a group) is a seam of its own.
    const ExactHead* h = i < heads_.size() ? &heads_[i] : nullptr;
    seams += h ? (h->reencoded ? 1 : 0) + (h->tailFrames ? 1 : 0) : r.reencodedFrames ? 1 : 0;
    if (!r.exact) lines += "\n" + Both(texts::kCutSeamFellBack, {std::to_string(i + 1), r.notExactWhy});
    lines += SoundOffLines(i, r);
  }
  return Both(texts::kCutReencoded, {std::to_string(frames), frames == 1 ? " frame" : " frames",
                                     std::to_string(seams), seams == 1 ? " seam" : " seams"}) +
         lines;
}

std::vector<AskedRange> CutRun::EveryRanges() const {
  std::vector<AskedRange> ranges;
  for (uint64_t k = 0;; ++k) {
    AskedRange r;
    if (k) {
      const ExactTime start = request_.every * k;
      r.start = RangeBound::Time(start > request_.everyOverlap ? start - request_.everyOverlap : ExactTime());
    }
    r.end = RangeBound::Time(request_.every * (k + 1));
    const bool last = CeilFrame(r.end, clock_) >= clock_.frames;
    if (last) r.end = RangeBound();
    // Named by the frames' times, as the JSON's "asked" shows them.
    const std::string from = k ? ClockText(SecondsOf(CeilFrame(r.start, clock_), clock_)) : "";
    r.text = from + "-" + (last ? "" : ClockText(SecondsOf(CeilFrame(r.end, clock_), clock_)));
    ranges.push_back(r);
    if (last || request_.every.IsZero()) break;
  }
  return ranges;
}

// The outputs' names; false once the outcome is finished.
bool CutRun::Names() {
  const std::string& input = request_.path;
  if (!request_.separate) {
    names_.push_back(request_.output.empty() ? DefaultCutName(input) : request_.output);
  } else {
    const std::string base = request_.output.empty() ? input : request_.output;
    for (size_t j = 0; j < kept_.size(); ++j) {
      std::string name;
      MakePieceName(base, request_.firstNumber + uint32_t(j), &name);
      names_.push_back(name);
    }
  }
  for (const std::string& name : names_)
    if (!CheckOutputName(name, {&input})) return false;
  return true;
}

CutOutcome& CutRun::WriteOne(const std::vector<Piece>& pieces, bool guessed, const std::function<bool()>& mayCommit) {
  ChainRequest chain;
  chain.analysis = &analysis_;
  OneInput inputs(input_);
  chain.inputs = &inputs;
  for (const Piece& p : pieces) {
    chain.links.push_back(LinkOf(analysis_, input_->Input(), p));
    chain.links.back().chunksAsWritten = guessed;  // confirmed by mayCommit before the output stands
  }
  const std::string& name = names_[0];
  if (!MayWriteOver({name}, sink_)) return Fail(CutResult::Cancelled);  // No writes nothing
  OutputFile out;
  if (!out.Create(name)) return Fail(CutResult::CannotWrite, name + ": " + out.Reason());
  LaterBarSink later(sink_, 10 + reencodeCells_, 100 - checkCells_);
  writingBar_ = &later;
  StatusBar bar(later, kCutWriting);  // 10 .. 100, between the re-encode and the check
  std::string problem;
  const WriteResult result = WriteJoinedFile(chain, out, &bar, OdmlLimits(), &problem, request_.writer);
  // Every seam checked in the finished file before it may be moved into place.
  if (result == WriteResult::Written && request_.exact && out.Finish() &&
      !SeamsHold(out.TemporaryPath(), 0, kept_.size())) {
    out.Abandon();
    return seamFaults_.empty() ? Fail(CutResult::Cancelled) : outcome_;  // else written again by PlanAndWrite
  }
  // A cancel, or a guess not confirmed: the output goes, nothing was replaced.
  const auto endedEarly = [this]() -> CutOutcome& {
    return Refuse(CutResult::Damaged, "the input ended before the chunks its index names, or changed while it was read");
  };
  if (!Settle(out, result, problem, endedEarly, false, mayCommit)) return outcome_;
  outcome_.outputs.push_back(name);
  outcome_.bytes.push_back(out.Position());
  outcome_.clone = CloneReport{};
  outcome_.clone.asked = request_.writer.clone;
  outcome_.clone.Add(out.SharesBlocks(), out.SharedBytes(), out.Position());
  return Complete();
}

CutOutcome& CutRun::WriteSeparate(const std::vector<Piece>& pieces, bool guessed,
                                  const std::function<bool()>& mayCommit) {
  PiecesPlan plan;
  plan.frameMicros = frameMicros_;
  plan.videoFrames = clock_.frames;
  plan.pieces = pieces;
  PiecesOutcome written;
  const SplitSource source = SplitSourceOf(*input_, analysis_, request_.path);
  // Every seam checked in each finished file before any is moved into place.
  const auto seamsHold = [this](size_t j, const std::string& path) { return SeamsHold(path, j, 1); };
  LaterBarSink later(sink_, 10 + reencodeCells_, 100 - checkCells_);  // between the re-encode and the check
  writingBar_ = &later;
  const SplitResult result =
      WritePiecesNamed(source, plan, names_, later, written, guessed ? ChunkCopy::IndexedRuns : ChunkCopy::Runs,
                       request_.writer, mayCommit, request_.exact ? PieceCheck(seamsHold) : PieceCheck());
  if (!seamFaults_.empty()) return outcome_;  // written again by PlanAndWrite
  if (result == SplitResult::Cancelled || (result != SplitResult::Completed && sink_.Cancelled()))
    return Fail(CutResult::Cancelled);
  if (result == SplitResult::OutputTooLarge) return Fail(CutResult::TooLarge, written.detail);
  if (result == SplitResult::WriteFailed && written.detail.compare(0, request_.path.size(), request_.path) == 0)
    return Refuse(CutResult::Damaged, "the input ended before the chunks its index names");
  if (result != SplitResult::Completed) return Fail(CutResult::CannotWrite, written.detail);
  for (const PieceFigures& p : written.pieces) {
    outcome_.outputs.push_back(p.name);
    outcome_.bytes.push_back(p.bytes);
  }
  outcome_.clone = written.clone;
  return Complete();
}

// Each kept range and each file written, a line each, as the command line
// lists them.
std::string CutRun::DoneLines() const {
  std::string lines;
  char start[32], length[32];
  for (size_t i = 0; i < outcome_.ranges.size(); ++i) {
    const CutRangeFigures& r = outcome_.ranges[i];
    std::string asked;
    for (const std::string& a : r.asked) asked += (asked.empty() ? "" : ", ") + a;
    std::snprintf(start, sizeof start, "%.3f", r.startSeconds);
    std::snprintf(length, sizeof length, "%.3f", r.seconds);
    lines += Both(texts::kCutRangeDone, {std::to_string(i + 1), std::to_string(r.firstFrame),
                                                std::to_string(r.firstFrame + r.frames - 1), start, length, asked}) +
             "\n";
  }
  for (size_t i = 0; i < outcome_.outputs.size(); ++i) {
    const std::string& name = outcome_.outputs[i];
    const std::string base = name.substr(filesys::FolderOf(name).size());
    lines += Both(texts::kFileWritten, {base, std::to_string(outcome_.bytes[i])}) +
             (i + 1 < outcome_.outputs.size() ? "\n" : "");
  }
  return lines;
}

// The summary shown on success.
CutOutcome& CutRun::Complete() {
  uint64_t frames = 0;
  for (const CutRangeFigures& r : outcome_.ranges) frames += r.frames;
  const std::string n = std::to_string(outcome_.ranges.size()), f = std::to_string(frames);
  const std::string seconds = ClockText(SecondsOf(frames, clock_));
  const std::string dropped = std::to_string(outcome_.droppedFrames);
  const std::string files = std::to_string(outcome_.outputs.size());
  std::string text = Both(texts::kCutCompleted,
                          {n, outcome_.ranges.size() == 1 ? " range" : " ranges", f, seconds, files,
                           outcome_.outputs.size() == 1 ? " file" : " files", dropped, f == "1" ? " frame" : " frames",
                           dropped == "1" ? " frame" : " frames"});
  for (const CutDropFigures& d : outcome_.drops)
    if (d.frames == 0 && !request_.exact)
      text += "\n" + Both(texts::kCutDropsNothing, {d.asked});
  if (request_.exact) text += "\n" + ExactLines();
  if (sink_.ShowsDetail()) text += "\n\n" + DoneLines();  // the window names what was kept and written
  return JobRun::Complete(text);
}

CutOutcome& CutRun::PlanAndWrite(const std::vector<AskedRange>& asked, bool dropped, bool guessed,
                                 const std::function<bool()>& mayCommit) {
  // The video's frames are listed anew for each analysis (a guess, then the walk).
  framesListed_ = false;
  if (!Prepare() || !ListFrames() || !OpenExact() || !Snap(asked, dropped) || !Names()) return outcome_;
  if (sink_.Cancelled()) return Fail(CutResult::Cancelled);
  sink_.Status(Text(kCutWriting), 10);
  if (!MakeHeads()) return outcome_;

  // An output that does not decode as the source across a seam is written
  // again with those ranges cut on their key frames, which the result
  // says; each time fewer seams.
  for (;;) {
    seamFaults_.clear();
    checkedFrames_ = 0;
    WritePieces(guessed, mayCommit);
    if (seamFaults_.empty()) return outcome_;
    for (const auto& fault : seamFaults_) {
      ExactHead& h = heads_[fault.first];
      h.exact = false;
      h.why = fault.second;
      FallBack(fault.first);
      SetFigures(fault.first);
    }
  }
}

CutOutcome& CutRun::WritePieces(bool guessed, const std::function<bool()>& mayCommit) {
  // Each kept range's share of the input. The cursors only move forward:
  // a range that begins or ends before the one before it (files of their
  // own, in the order given) starts from a fresh builder.
  const SplitSource source{input_->Input(), analysis_, request_.path};
  std::vector<Piece> pieces;
  std::unique_ptr<ShareBuilder> builder;
  uint32_t lastFirst = 0, lastEnd = 0;
  double drift[kMaxStreams] = {}, lead[kMaxStreams] = {};
  for (const KeptRange& k : kept_) {
    if (!builder || k.first < lastFirst || k.end < lastEnd) {
      builder.reset(new ShareBuilder(source, frameMicros_, clock_.frames));
      builder->CountSamplesByRates(clock_.rate, clock_.scale);
      if (request_.exact) builder->CutSoundByFrames();
    }
    // In one file each range's sound makes up for what the ranges before left.
    pieces.push_back(builder->Build(k.first, k.end, k.end == clock_.frames, request_.separate ? nullptr : lead));
    if (!heads_.empty()) ApplyHead(heads_[pieces.size() - 1], analysis_, &pieces.back());
    NoteSoundEnds(pieces.back(), &outcome_.ranges[pieces.size() - 1], request_.separate ? nullptr : drift, lead);
    lastFirst = k.first, lastEnd = k.end;
  }
  return request_.separate ? WriteSeparate(pieces, guessed, mayCommit) : WriteOne(pieces, guessed, mayCommit);
}

CutOutcome& CutRun::Run() {
  std::vector<AskedRange> asked;
  bool dropped = false;
  std::string extra;
  const CutResult ranges = GatherRanges(request_, cutSink_, outcome_, &asked, &dropped, &extra);
  if (ranges != CutResult::Completed) return Fail(ranges, "", extra);
  sink_.Status(Text(kCutAnalyzing), 0);
  if (!Open()) return outcome_;
  // As the split does: the work starts from a guessed analysis while the
  // whole walk runs beside it, and the outputs replace their names only once
  // the walk has confirmed the guess and that the chunks lie as they are
  // written; otherwise all is planned and written again from the walk. The
  // guessed run's messages wait until it is known to stand.
  const CutOutcome before = outcome_;
  const std::string shownBefore = cutSink_.message;
  const bool stood = RunOnConfirmedAnalysis(
      confirmation_, analysis_, sink_,
      [&](bool guessed, const std::function<bool()>& mayCommit) {
        cutSink_.holding = guessed;
        PlanAndWrite(asked, dropped, guessed, mayCommit);
      },
      [&] {
        cutSink_.Drop(shownBefore);
        outcome_ = before;
        kept_.clear();
        names_.clear();
      });
  if (stood) cutSink_.Release();
  return outcome_;
}

// The steps of Run up to the snapped ranges, on the analysis the job starts
// from (the walk beside it, which confirms that analysis before a cut
// commits, is stopped unread).
CutOutcome& CutRun::Plan() {
  std::vector<AskedRange> asked;
  bool dropped = false;
  std::string extra;
  const CutResult ranges = GatherRanges(request_, cutSink_, outcome_, &asked, &dropped, &extra);
  if (ranges != CutResult::Completed) return Fail(ranges, "", extra);
  if (!Open() || !Prepare() || !Snap(asked, dropped)) return outcome_;
  outcome_.result = CutResult::Completed;
  outcome_.message = cutSink_.message;
  return outcome_;
}

}  // namespace

std::string DefaultCutName(const std::string& input) {
  const size_t folder = filesys::FolderOf(input).size();
  const size_t dot = input.rfind('.');
  const size_t keep = dot != std::string::npos && dot > folder ? dot : input.size();
  return input.substr(0, keep) + "-c.avi";
}

CutOutcome CutJob(const CutRequest& request, JobSink& host) {
  CutSink sink(host);
  CutOutcome outcome;
  CutRun(request, sink, outcome).Run();
  outcome.message = sink.message;
  return outcome;
}

CutOutcome PlanCut(const CutRequest& request, JobSink& host) {
  CutSink sink(host);
  CutOutcome outcome;
  CutRun(request, sink, outcome).Plan();
  outcome.message = sink.message;
  return outcome;
}
