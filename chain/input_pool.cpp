#include "chain/input_pool.h"

#include "job/file_probe.h"

InputPool::InputPool(std::vector<std::string> paths, std::vector<uint64_t> sizes)
    : paths_(std::move(paths)), sizes_(std::move(sizes)) {
  opener_ = [this](size_t i, AviSource& source) {
    if (i >= paths_.size()) return false;
    if (source.Reopen(paths_[i].c_str(), sizes_[i])) return true;
    // Replaced, cut or appended to since it was analysed: said so.
    uint64_t now = 0;
    if (report_ && !*report_ && ProbeInputFile(paths_[i].c_str(), &now) == ProbeResult::Ok && now != sizes_[i]) {
      report_->kind = ReadFault::Changed;
      report_->path = paths_[i];
      report_->wasSize = sizes_[i];
      report_->nowSize = now;
    }
    return false;
  };
}

std::shared_ptr<AviSource> InputPool::Source(size_t i) {
  if (i >= open_.size()) open_.resize(i + 1);
  std::shared_ptr<AviSource> source = open_[i].lock();
  if (!source) {
    source = std::make_shared<AviSource>();
    if (!opener_(i, *source)) return nullptr;
    source->File().ReportFaultsTo(report_);
    open_[i] = source;
  }
  for (auto it = recent_.begin(); it != recent_.end(); ++it)
    if (it->first == i) {
      recent_.erase(it);
      break;
    }
  recent_.emplace_back(i, source);
  // An input nobody holds any more closes once it leaves the recent ones.
  while (recent_.size() > kKeptOpen) recent_.pop_front();
  return source;
}

std::shared_ptr<AviSource> InputPool::Stored(size_t i) {
  std::shared_ptr<AviSource> source = Source(i);
  return source && source->IsOpenDml() ? source : nullptr;
}

std::shared_ptr<ByteInput> InputPool::Open(size_t i) {
  std::shared_ptr<AviSource> source = Source(i);
  if (!source) return nullptr;
  return std::shared_ptr<ByteInput>(source, &source->Input());
}
