// The inputs of a join, opened again as the writer reaches them: each input
// is held open while the writer holds it, and the few most recently used
// stay open besides, so that joining hundreds of files keeps a handful of
// files and buffers open, not hundreds.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "avi/avi_source.h"
#include "chain/chain_writer.h"

class InputPool : public ChainInputs {
 public:
  // Opens input i into source; false when it cannot. The default reopens a
  // file by its path, checking that its size is still the one analysed.
  using Opener = std::function<bool(size_t i, AviSource& source)>;

  InputPool(std::vector<std::string> paths, std::vector<uint64_t> sizes);
  explicit InputPool(Opener opener) : opener_(std::move(opener)) {}
  InputPool(const InputPool&) = delete;  // the default opener knows this pool
  InputPool& operator=(const InputPool&) = delete;

  std::shared_ptr<ByteInput> Open(size_t i) override;
  std::shared_ptr<AviSource> Stored(size_t i) override;
  // An input's source, opened as Open does.
  std::shared_ptr<AviSource> Source(size_t i);

  // The first read error or change of any input opened from now on, also
  // of one whose size changed before it was opened again, goes to *record.
  void ReportFaultsTo(ReadFault* record) { report_ = record; }

  // How many inputs stay open besides those held.
  static constexpr size_t kKeptOpen = 2;

 private:
  Opener opener_;
  ReadFault* report_ = nullptr;
  std::vector<std::string> paths_;  // with the default opener
  std::vector<uint64_t> sizes_;
  std::vector<std::weak_ptr<AviSource>> open_;
  std::deque<std::pair<size_t, std::shared_ptr<AviSource>>> recent_;
};
