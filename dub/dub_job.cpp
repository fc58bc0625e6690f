// The dub job (dub/dub_job.h): the request checked, the input opened and
// analysed (bar 0..10), the sound opened and its offset planned, the output
// counted and written by the output skeleton (bar 10..100).
#include "dub/dub_job.h"

#include <algorithm>
#include <memory>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "avi/read_fault.h"
#include "dub/dub_header.h"
#include "dub/dub_listing.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "job/input_session.h"
#include "job/job_run.h"
#include "job/job_sink.h"
#include "job/output_commit.h"
#include "sound/avi_stream_sound.h"
#include "sound/sound_file.h"
#include "writer/avi_writer.h"
#include "job/status_bar.h"
#include "texts/dub_texts.h"

namespace {

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

std::string NameWith(const std::string& input, const char* ending) {
  const size_t folder = filesys::FolderOf(input).size();
  const size_t dot = input.rfind('.');
  const size_t keep = dot != std::string::npos && dot > folder ? dot : input.size();
  return input.substr(0, keep) + ending;
}

class DubRun : public JobRun<DubOutcome, DubResult> {
 public:
  DubRun(const DubRequest& r, JobSink& sink, DubOutcome& outcome) : JobRun(sink, outcome, DubResultText), r_(r) {}
  DubOutcome& Run();

 private:
  const ReadFault& InputFault() override { return input_.File().Fault(); }
  void CheckInputSize() override { input_.File().CheckSize(); }
  // The sound read beside the input may have failed too.
  bool InputChanged() override { return InputFault() || sound_->Input()->Fault(); }
  void ForgetOutputs() override { outcome_.outputs.clear(), outcome_.bytes.clear(); }
  // A structure refusal: a damaged file says so with what a repair keeps.
  DubOutcome& Refuse(DubResult result, const std::string& what) { return JobRun::Refuse(result, r_.path, what); }
  bool OpenInput();
  bool ChooseStream();
  bool OpenSound();
  bool PlanOffset();
  bool Name();
  DubOutcome& Write();

  const DubRequest& r_;
  AviSource input_;
  AviAnalysis a_{};
  HeaderLayout layout_;
  std::unique_ptr<SoundSource> sound_;
  SoundOffset offset_;
  DubPlan plan_;
  bool shift_ = false;
  std::string name_;
};

bool DubRun::OpenInput() {
  if (const InputStop stop = ::OpenInput(r_.path, input_)) return Fail(DubResult::InputNotOpen, stop.detail), false;
  if (input_.File().U32At(0) != kRiff || input_.File().U32At(8) != kAviForm)
    return Fail(DubResult::InputNotRiff, r_.path + ": no RIFF AVI file"), false;
  sink_.Status(Text(kDubAnalyzing), 0);
  switch (const InputStop stop = AnalyseInput(r_.path, input_, a_, sink_, 0, 10); stop.kind) {
    case InputStop::None: break;
    case InputStop::Cancelled: return Fail(DubResult::Cancelled), false;
    case InputStop::ReadFault: return FailReading(), false;
    default: return Refuse(DubResult::OpenDml, stop.why), false;
  }
  if (a_.firstVideoStream < 0) return Refuse(DubResult::Unsupported, "no video stream"), false;
  if (a_.idx1Offset == 0 || a_.idx1EntryTotal == 0) return Refuse(DubResult::Unsupported, "no index (idx1)"), false;
  if (a_.moviOffset == 0 || !ReadHeaderLayout(input_.Input(), a_.moviOffset, &layout_) || layout_.streams.size() != a_.streamCount)
    return Refuse(DubResult::Unsupported, "its header lists (hdrl, strl) are not as the streams say"), false;
  const StreamEntry& video = a_.streams[a_.firstVideoStream];
  plan_.videoScale = input_.Input().U32At(video.lengthOffset - 12);
  plan_.videoRate = input_.Input().U32At(video.lengthOffset - 8);
  if (plan_.videoRate == 0 || plan_.videoScale == 0) {
    plan_.videoRate = 1000000;
    plan_.videoScale = input_.Input().U32At(a_.microSecPerFrameOffset);
    if (plan_.videoScale == 0) return Refuse(DubResult::Unsupported, "no frame rate"), false;
  }
  outcome_.videoSeconds = double(video.idx1EntryCount) * plan_.videoScale / plan_.videoRate;
  return true;
}

bool DubRun::ChooseStream() {
  const int named = shift_ ? r_.shiftStream : r_.replace;
  const uint32_t count = a_.streamCount;
  // The stream kind as its strh says (fccType "auds"), for every sound format.
  auto sound = [&](int s) { return input_.Input().U32At(a_.streams[s].lengthOffset - 32) == kAuds; };
  if (named >= 0 || shift_) {
    if (named < 0 || uint32_t(named) >= count)
      return Fail(DubResult::NoSuchStream, "stream " + std::to_string(named) + ": the file has streams 0 to " +
                                                 std::to_string(count - 1),
                    Both(texts::kDubStreamsRange, {std::to_string(count - 1)})),
             false;
    if (!sound(named))
      return Fail(DubResult::NotSoundStream, "stream " + std::to_string(named) + " is no sound stream"), false;
    outcome_.stream = named;
    outcome_.replaced = true;
    return true;
  }
  int sounds = 0, first = -1;
  for (uint32_t s = 0; s < count; ++s)
    if (sound(int(s))) sounds++, first = first < 0 ? int(s) : first;
  if (!r_.add && sounds > 1)
    return Fail(DubResult::ChooseStream, "sound streams: " + std::to_string(sounds) + "; give --replace N or --add"), false;
  if (r_.add || sounds == 0) {
    if (count >= uint32_t(kMaxStreams))
      return Fail(DubResult::TooManyStreams, "the file has " + std::to_string(count) + " streams already"), false;
    outcome_.stream = int(count);
    return true;
  }
  outcome_.stream = first;  // the one sound stream is replaced
  outcome_.replaced = true;
  return true;
}

bool DubRun::OpenSound() {
  SoundRefusal refusal;
  if (shift_) {
    sound_ = OpenAviStreamSound(std::shared_ptr<ByteInput>(std::shared_ptr<ByteInput>(), &input_.Input()), a_,
                                outcome_.stream, &refusal);
  } else {
    sound_ = OpenSoundFile(r_.audio, &refusal);
  }
  if (sound_) {
    outcome_.soundKind = sound_->Format().kind;
    return true;
  }
  DubResult result = DubResult::SoundUnusable;
  if (refusal.kind == SoundRefusal::Truncated) result = DubResult::SoundTruncated;
  if (refusal.kind == SoundRefusal::Empty) result = shift_ ? DubResult::NotSoundStream : DubResult::SoundEmpty;
  if (refusal.kind == SoundRefusal::Unreadable) result = DubResult::SoundNotOpen;
  const std::string who = shift_ ? r_.path : r_.audio;
  Fail(result, who + ": " + refusal.english, who + ": " + Both(refusal.english, refusal.japanese));
  return false;
}

bool DubRun::PlanOffset() {
  outcome_.hasOffset = !r_.offset.empty();
  if (!outcome_.hasOffset) return true;
  outcome_.offsetAsked = offset_.Seconds();
  if (!PlanSoundOffset(offset_, *sound_, &outcome_.offset))
    return Fail(DubResult::OffsetTakesAll, "the offset " + r_.offset + " takes off all " +
                                                 std::to_string(sound_->Format().units) + " units of the sound"),
           false;
  return true;
}

bool DubRun::Name() {
  name_ = !r_.output.empty() ? r_.output : shift_ ? DefaultShiftName(r_.path) : DefaultDubName(r_.path);
  return CheckOutputName(name_, {&r_.path, &r_.audio});
}

DubOutcome& DubRun::Write() {
  const SoundFormat& f = sound_->Format();
  plan_.analysis = &a_;
  plan_.input = std::shared_ptr<ByteInput>(std::shared_ptr<ByteInput>(), &input_.Input());
  plan_.sound = sound_.get();
  plan_.dropped = outcome_.replaced ? outcome_.stream : -1;
  plan_.stream = outcome_.stream;
  plan_.offset = outcome_.offset;
  sink_.Status(Text(kDubWriting), 10);
  const DubFigures figures = CountDubListing(plan_);
  if (figures.failed) return Refuse(DubResult::Damaged, "the input changed or ended while it was read");
  outcome_.soundChunks = figures.soundChunks;
  // The stream's start: a shift keeps the start the stream had and adds to it.
  uint64_t start = outcome_.offset.method == OffsetMethod::Start ? outcome_.offset.units : 0;
  if (f.strh.size() == 56) start += uint32_t(f.strh[28] | f.strh[29] << 8 | f.strh[30] << 16 | uint32_t(f.strh[31]) << 24);
  if (start > 0xFFFFFFFFu) return Fail(DubResult::OffsetInvalid, "the stream's start would pass dwStart's 32 bits");
  outcome_.soundSeconds = double(figures.soundUnits + start) * f.scale / f.rate;

  AviOutput out;
  out.header = plan_.input;
  out.headerBytes = a_.moviOffset + 4;
  int64_t delta = 0;
  const uint32_t streams = a_.streamCount + (outcome_.replaced ? 0 : 1);
  if (shift_) {
    const StreamEntry& st = a_.streams[outcome_.stream];
    out.edits.Field(st.lengthOffset - 4, uint32_t(start));
    out.edits.Field(st.lengthOffset, uint32_t(std::min<uint64_t>(figures.soundUnits, 0xFFFFFFFFu)));
    out.edits.Field(st.suggestedBufferSizeOffset, figures.largestSound);
  } else {
    StreamHeaderFacts facts;
    facts.strh = f.strh;
    facts.strf = f.strf;
    facts.scale = f.scale;
    facts.rate = f.rate;
    facts.start = uint32_t(start);
    facts.length = uint32_t(std::min<uint64_t>(figures.soundUnits, 0xFFFFFFFFu));
    facts.buffer = figures.largestSound;
    facts.sampleSize = f.sampleSize;
    delta = EditStrl(layout_, outcome_.stream, outcome_.replaced, MakeStrl(facts), streams, &out.edits);
  }
  out.moviBytes = figures.moviBytes;
  out.entries = figures.entries;
  out.chunks = [this] { return MakeDubListing(plan_); };
  OdmlShape shape{nullptr, uint64_t(int64_t(a_.moviOffset) + delta), a_.totalFramesOffset, streams,
                  a_.firstVideoStream, {}, 0, 0};
  for (uint32_t s = 0; s < a_.streamCount && s < uint32_t(kMaxStreams); ++s)
    if (input_.Input().U32At(a_.streams[s].lengthOffset - 32) == kAuds && int(s) != a_.firstVideoStream)
      shape.sampleSize[s] = input_.Input().U32At(a_.streams[s].sampleSizeOffset);
  if (outcome_.stream < kMaxStreams) shape.sampleSize[outcome_.stream] = f.sampleSize;
  shape.header = &input_.Input();
  out.shape = shape;

  if (!MayWriteOver({name_}, sink_)) return Fail(DubResult::Cancelled);  // No writes nothing
  OutputFile file;
  if (!file.Create(name_)) return Fail(DubResult::CannotWrite, name_ + ": " + file.Reason());
  out.file = &file;
  CopyHabits habits;
  habits.runs = false;
  WriteSettings how(OdmlLimits(), WriterOptions(), habits, &sink_);
  how.positions = figures.entries;
  how.bar.showEnd = true;
  WriteOutcome written = WriteAviOutput(out, how);
  const auto endedEarly = [this]() -> DubOutcome& {
    if (sound_->Input()->Fault()) return Fail(DubResult::InputChanged, DescribeReadFault(sound_->Input()->Fault(), 1));
    return Refuse(DubResult::Damaged, "the input ended before the chunks its index names, or changed while it was read");
  };
  if (!Settle(file, written.result, written.problem, endedEarly)) return outcome_;
  outcome_.outputs.push_back(name_);
  outcome_.bytes.push_back(file.Position());
  std::string text = Both(shift_ ? texts::kDubMoved : outcome_.replaced ? texts::kDubReplaced : texts::kDubAdded,
                          {std::to_string(outcome_.stream), outcome_.soundKind, Seconds(outcome_.soundSeconds)});
  if (outcome_.soundSeconds > outcome_.videoSeconds + 0.0005)
    text += "\n" + Both(texts::kDubSoundLonger, {Seconds(outcome_.soundSeconds), Seconds(outcome_.videoSeconds)});
  if (outcome_.hasOffset && outcome_.offset.method != OffsetMethod::None) {
    const OffsetPlan& o = outcome_.offset;
    const std::string n = std::to_string(o.count);
    const TextPair* how = &texts::kDubOffsetStart;
    switch (o.method) {
      case OffsetMethod::Silence: how = &texts::kDubOffsetSilence; break;
      case OffsetMethod::Trim: how = &texts::kDubOffsetTrim; break;
      case OffsetMethod::Frames: how = &texts::kDubOffsetFrames; break;
      default: break;
    }
    text += "\n" + Both(texts::kDubOffset, {r_.offset, Fill(Pick(*how, sink_.EnglishUi()), {n}), Seconds(o.reached)});
  }
  return Complete(text);
}

DubOutcome& DubRun::Run() {
  shift_ = r_.shift;
  if (r_.replace >= 0 && r_.add) return Fail(DubResult::ReplaceAndAdd, "--replace and --add do not mix");
  if (!r_.offset.empty()) {
    TimeTextProblem problem;
    if (!ParseSoundOffset(r_.offset.c_str(), &offset_, &problem)) {
      const TextPair& why = TimeTextProblemText(problem);
      return Fail(DubResult::OffsetInvalid, "\"" + r_.offset + "\": " + why.english,
                    "\"" + r_.offset + "\": " + Text(why));
    }
  }
  if (!OpenInput() || !ChooseStream() || !OpenSound() || !PlanOffset() || !Name()) return outcome_;
  if (sink_.Cancelled()) return Fail(DubResult::Cancelled);
  return Write();
}

}  // namespace

std::string DefaultDubName(const std::string& input) { return NameWith(input, "-d.avi"); }
std::string DefaultShiftName(const std::string& input) { return NameWith(input, "-o.avi"); }

DubOutcome DubJob(const DubRequest& request, JobSink& sink) {
  DubOutcome outcome;
  DubRun(request, sink, outcome).Run();
  return outcome;
}
