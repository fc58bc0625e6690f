// The exact cut's scratch files (exact/scratch_file.h).
#include "exact/scratch_file.h"

#include <cerrno>
#include <cstring>

#include "io/file_system.h"
#include "io/part_files.h"

ScratchFile::~ScratchFile() {
  if (file_) std::fclose(file_);
  if (!path_.empty()) filesys::RemoveFile(path_);
}

bool ScratchFile::Create(const std::string& nearPath) {
  const std::string folder = filesys::FolderOf(nearPath);
  const std::string name = nearPath.substr(folder.size());
  for (int attempt = 1; attempt <= 100 && !file_; ++attempt) {
    const std::string candidate = folder + PartName(name, filesys::ProcessId(), attempt);
    file_ = filesys::CreateNew(candidate, &reason_);
    if (file_) path_ = candidate;
    if (!file_ && reason_ != std::strerror(EEXIST)) break;
  }
  return file_ != nullptr;
}

bool ScratchFile::Write(const void* data, size_t count) {
  if (failed_ || !file_) return false;
  if (count && std::fwrite(data, 1, count, file_) != count) {
    failed_ = true;
    reason_ = std::strerror(errno);
    return false;
  }
  position_ += count;
  return true;
}

bool ScratchFile::Finish() {
  if (!file_) return !failed_;
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    reason_ = std::strerror(errno);
  }
  file_ = nullptr;
  return !failed_;
}
