#include "chain/input_pool.h"

InputPool::InputPool(std::vector<std::string> paths, std::vector<uint64_t> sizes) {
  opener_ = [paths = std::move(paths), sizes = std::move(sizes)](size_t i, AviSource& source) {
    return i < paths.size() && source.Reopen(paths[i].c_str(), sizes[i]);
  };
}

std::shared_ptr<AviSource> InputPool::Source(size_t i) {
  if (i >= open_.size()) open_.resize(i + 1);
  std::shared_ptr<AviSource> source = open_[i].lock();
  if (!source) {
    source = std::make_shared<AviSource>();
    if (!opener_(i, *source)) return nullptr;
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

std::shared_ptr<ByteInput> InputPool::Open(size_t i) {
  std::shared_ptr<AviSource> source = Source(i);
  if (!source) return nullptr;
  return std::shared_ptr<ByteInput>(source, &source->Input());
}
