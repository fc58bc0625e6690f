#include "merge/staged_file.h"

bool StagedFile::Create(const char* path) {
  Abandon();
  path_ = path;
  temporary_ = path_ + ".tavrin-part";
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (!file_) return false;
  std::setvbuf(file_, nullptr, _IONBF, 0);  // the writer hands over whole blocks
  return true;
}

ByteSink StagedFile::Sink() { return ByteSink{this, &StagedFile::Append}; }

bool StagedFile::Append(void* self, const void* data, size_t count) {
  StagedFile& f = *static_cast<StagedFile*>(self);
  return f.file_ && std::fwrite(data, 1, count, f.file_) == count;
}

bool StagedFile::Commit() {
  if (!file_) return false;
  bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  if (ok) ok = ReplaceFileWith(temporary_.c_str(), path_.c_str());
  if (!ok) std::remove(temporary_.c_str());
  temporary_.clear();
  return ok;
}

void StagedFile::Abandon() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) std::remove(temporary_.c_str());
  temporary_.clear();
}
