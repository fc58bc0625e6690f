// Tavrin.exe's end of the plug-in channel (app/plugin_channel.h): the record
// of the TestFunc call now running, made from what the job told the sink,
// and the exported function through which TavrinD.dll reads it.
#include "ui/plugin_channel.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "job/job_sink.h"

namespace {

std::atomic<const TavrinChannel*> current{nullptr};

JobSink& Sink(void* host) { return *static_cast<JobSink*>(host); }
void Status(void* host, const char* text, int32_t cells) { Sink(host).Status(text, cells); }
void Progress(void* host, int32_t cells) { Sink(host).Progress(cells); }
int32_t Cancelled(void* host) { return Sink(host).Cancelled() ? 1 : 0; }
void Message(void* host, const char* text) { Sink(host).Message(text, MessageOwner::ProgressWindow); }
int32_t BeginCommit(void* host) { return Sink(host).BeginCommit() ? 1 : 0; }
// The names, one a line, as the sink takes them.
int32_t MayReplace(void* host, const char* names) {
  std::vector<std::string> existing;
  for (const char* line = names; line && *line;) {
    const char* end = std::strchr(line, '\n');
    existing.emplace_back(line, end ? size_t(end - line) : std::strlen(line));
    line = end ? end + 1 : nullptr;
  }
  return Sink(host).MayReplace(existing) ? 1 : 0;
}

}  // namespace

extern "C" __declspec(dllexport) const TavrinChannel* __cdecl TavrinPluginChannel(void) { return current.load(); }

void ChannelCall::Start(JobSink& sink) {
  record_.size = sizeof record_;
  record_.version = TAVRIN_CHANNEL_VERSION;
  record_.englishUi = sink.EnglishUi();
  record_.host = &sink;
  record_.status = Status;
  record_.progress = Progress;
  record_.cancelled = Cancelled;
  record_.message = Message;
  record_.beginCommit = BeginCommit;
  record_.mayReplace = MayReplace;
  current.store(&record_);
}

ChannelCall::ChannelCall(const SplitRequest& request, CreateMode create, JobSink& sink) {
  texts_[0] = request.path;
  texts_[1] = request.sizeMegabytes;
  texts_[2] = request.overlap;
  texts_[3] = request.outputFolder;
  record_.job = TAVRIN_JOB_SIZE_SPLIT;
  record_.input = texts_[0].c_str();
  record_.sizeMegabytes = texts_[1].c_str();
  record_.overlap = texts_[2].c_str();
  record_.outputFolder = texts_[3].c_str();
  record_.createMode = int32_t(create);
  Start(sink);
}

ChannelCall::ChannelCall(const JoinedFileWork& work, JobSink& sink) {
  texts_[0] = work.firstInput;
  texts_[1] = work.secondInput;
  texts_[2] = work.joinedPath;
  record_.job = TAVRIN_JOB_JOIN;
  record_.firstInput = texts_[0].c_str();
  record_.secondInput = texts_[1].c_str();
  record_.joinedPath = texts_[2].c_str();
  Start(sink);
}

ChannelCall::~ChannelCall() { current.store(nullptr); }
