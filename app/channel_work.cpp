#include "app/channel_work.h"

#include <string>

#include "job/job_sink.h"
#include "merge/merge_output.h"
#include "split/size_split.h"
#include "split/split_request.h"

namespace {

// The job sink over the channel's calls into the program.
class ChannelSink : public JobSink {
 public:
  explicit ChannelSink(const TavrinChannel& c) : c_(c) {}
  int EnglishUi() const override { return c_.englishUi; }
  void Progress(int cells) override {
    if (c_.progress) c_.progress(c_.host, cells);
  }
  bool Cancelled() const override { return !committing_ && c_.cancelled && c_.cancelled(c_.host) != 0; }
  // The host closes its Cancel too, so that the job that called the plug-in
  // does not report a Cancel that came too late; this side asks it no more.
  bool BeginCommit() override {
    committing_ = c_.beginCommit ? c_.beginCommit(c_.host) != 0 : !Cancelled();
    return committing_;
  }
  bool MayReplace(const std::vector<std::string>& existing) override {
    if (!c_.mayReplace) return true;
    std::string names;
    for (const std::string& name : existing) names += (names.empty() ? "" : "\n") + name;
    return c_.mayReplace(c_.host, names.c_str()) != 0;
  }
  void Status(const char* text, int cells) override {
    if (c_.status) c_.status(c_.host, text, cells);
  }
  void Message(const char* text, MessageOwner) override {
    if (c_.message) c_.message(c_.host, text);
  }

 private:
  const TavrinChannel& c_;
  bool committing_ = false;
};

std::string Text(const char* text) { return text ? text : ""; }

}  // namespace

int32_t RunChannelWork(const TavrinChannel& channel) {
  if (channel.size < sizeof(TavrinChannel) || channel.version != TAVRIN_CHANNEL_VERSION) return 1;
  ChannelSink sink(channel);
  if (channel.job == TAVRIN_JOB_SIZE_SPLIT) {
    SplitRequest request;
    request.path = Text(channel.input);
    request.by = SplitBy::Size;
    request.sizeMegabytes = Text(channel.sizeMegabytes);
    request.outputFolder = Text(channel.outputFolder);
    request.overlap = Text(channel.overlap);
    request.create = channel.createMode == 1   ? CreateMode::First
                     : channel.createMode == 2 ? CreateMode::Second
                                               : CreateMode::Both;
    return RunSizeSplit(request, sink).result == SplitResult::Completed ? 0 : 1;
  }
  if (channel.job == TAVRIN_JOB_JOIN) {
    const WriteResult r =
        WriteJoinedFileAnew(Text(channel.firstInput), Text(channel.secondInput), Text(channel.joinedPath), sink);
    return r == WriteResult::Written ? 0 : 1;
  }
  return 1;
}
