// A sink that passes everything on to the host's sink: the base of the sinks
// a job puts between itself and its host to keep or hold messages back. Each
// question of JobSink is forwarded here once, so a new one cannot be
// forgotten by one of them (a forgotten question gets the default answer,
// not the host's).
#pragma once
#include <string>
#include <vector>

#include "job/job_sink.h"

class ForwardingSink : public JobSink {
 public:
  explicit ForwardingSink(JobSink& host) : host_(host) {}
  int EnglishUi() const override { return host_.EnglishUi(); }
  void Status(const char* text, int cells) override { host_.Status(text, cells); }
  void Message(const char* text, MessageOwner owner) override { host_.Message(text, owner); }
  void Progress(int cells) override { host_.Progress(cells); }
  bool Cancelled() const override { return host_.Cancelled(); }
  bool BeginCommit() override { return host_.BeginCommit(); }
  bool MayReplace(const std::vector<std::string>& existing) override { return host_.MayReplace(existing); }
  bool ShowsDetail() const override { return host_.ShowsDetail(); }

 protected:
  ~ForwardingSink() = default;
  JobSink& host_;
};
