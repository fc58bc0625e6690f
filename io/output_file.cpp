#include "io/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "io/file_clone.h"
#include "io/file_range.h"
#include "io/file_system.h"
#include "io/part_files.h"

namespace {
// Whole buffers are written at file positions that are multiples of the
// buffer size, from a page-aligned address: the kernel's copy into the page
// cache is then aligned on both sides, which costs far less than the copy of
// a misaligned piece (measured: about 1.6 times less on tmpfs).
constexpr size_t kOutputBufferBytes = 512 * 1024;
constexpr int kOutputBuffers = 4;
constexpr int kNameAttempts = 100;
// The flush before the move waits for every byte to reach the device; asked
// to start writing every 8 MiB, the system writes most of them while the
// rest is still being made (io/file_system.h: StartWriteBack).
constexpr uint64_t kWriteBackBytes = 8 << 20;
}  // namespace

OutputFile::~OutputFile() { Abandon(); }

bool OutputFile::Create(const std::string& finalPath) {
  Abandon();
  finalPath_ = finalPath;
  reason_.clear();
  failed_ = false;
  finished_ = false;
  fill_ = 0;
  position_ = 0;
  writeBackFrom_ = 0;
  sharedFdCount_ = 0;
  nextSharedSlot_ = 0;
  shareBlock_ = 0;
  sharedBytes_ = 0;
  if (!filesys::CanReplace(finalPath, &reason_)) return false;
  const std::string folder = filesys::FolderOf(finalPath);
  RemoveLeftoverParts(folder);
  const std::string finalName = finalPath.substr(folder.size());
  const uint32_t pid = filesys::ProcessId();
  for (int attempt = 1; attempt <= kNameAttempts && !file_; ++attempt) {
    const std::string candidate = folder + PartName(finalName, pid, attempt);
    file_ = filesys::CreateNew(candidate, &reason_);
    if (file_) tempPath_ = candidate;
    // Only a name already taken is worth another try.
    if (!file_ && reason_ != std::strerror(EEXIST)) break;
  }
  if (!file_) return false;
  reason_.clear();
  std::setvbuf(file_, nullptr, _IONBF, 0);  // this class does the buffering
  if (!storage_.Allocate(kOutputBuffers * kOutputBufferBytes)) throw std::bad_alloc();
  for (int i = 0; i < kOutputBuffers; ++i) {
    buffers_[i] = storage_.Data() + size_t(i) * kOutputBufferBytes;
    tickets_[i] = 0;
  }
  current_ = 0;
  buffer_ = buffers_[0];
  behind_.reset(new WriteBehind);
  return true;
}

bool OutputFile::Failed() const {
  if (behind_) NoteWriteError(behind_->Error());
  return failed_;
}

void OutputFile::NoteWriteError(int error) const {
  if (error == 0 || failed_) return;
  failed_ = true;
  reason_ = std::strerror(error);
}

bool OutputFile::Flush() {
  if (fill_ != 0 && !failed_) {
    const uint64_t ticket = behind_->Start(file_, buffer_, fill_);
    if (ticket == 0) {
      if (std::fwrite(buffer_, 1, fill_, file_) != fill_) NoteWriteError(errno ? errno : EIO);
    } else {
      tickets_[current_] = ticket;
      current_ = (current_ + 1) % kOutputBuffers;
      buffer_ = buffers_[current_];
      behind_->WaitFor(tickets_[current_]);  // the next buffer must be free again
      tickets_[current_] = 0;
    }
  }
  fill_ = 0;
  NoteWriteError(behind_->Error());
  StartWriteBack();
  return !failed_;
}

void OutputFile::StartWriteBack() {
  if (position_ - writeBackFrom_ < kWriteBackBytes) return;
  filesys::StartWriteBack(file_, writeBackFrom_);
  // The buffers still on their way to the file are asked for next time.
  const uint64_t inFlight = kOutputBuffers * kOutputBufferBytes;
  writeBackFrom_ = position_ > inFlight ? position_ - inFlight : 0;
}

bool OutputFile::Drain() {
  const bool flushed = Flush();
  behind_->WaitAll();
  for (uint64_t& ticket : tickets_) ticket = 0;
  NoteWriteError(behind_->Error());
  return flushed && !failed_;
}

bool OutputFile::Write(const void* data, size_t count) {
  if (!file_ || failed_) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  position_ += count;
  while (count > 0) {
    size_t take = kOutputBufferBytes - fill_;
    if (take > count) take = count;
    std::memcpy(buffer_ + fill_, bytes, take);
    fill_ += take;
    bytes += take;
    count -= take;
    if (fill_ == kOutputBufferBytes && !Flush()) return false;
  }
  return true;
}

int64_t OutputFile::AppendFromFile(int fd, uint64_t at, uint64_t count) {
  if (!file_ || failed_ || !Drain()) return 0;
  bool shared = false;
  for (int i = 0; i < sharedFdCount_; ++i) shared |= sharedFds_[i] == fd;
  const int64_t done = shared ? AppendSharing(fd, at, count) : AppendCopy(fd, at, count);
  StartWriteBack();
  return done;
}

int64_t OutputFile::AppendCopy(int fd, uint64_t at, uint64_t count) {
  int error = 0;
  // Every buffer is free after Drain: the copy may use them all.
  const int64_t done = filesys::AppendFileRange(fd, at, file_, count, storage_.Data(), storage_.Size(), &error);
  if (done < 0) return -1;
  position_ += uint64_t(done);
  if (error != 0) {
    failed_ = true;
    reason_ = std::strerror(error);
  }
  return done;
}

// The range's head up to its first block boundary and its tail after the
// last are copied; the whole blocks between are shared. A range that does
// not lie at this file's offset within a block is copied whole.
int64_t OutputFile::AppendSharing(int fd, uint64_t at, uint64_t count) {
  const uint64_t block = shareBlock_;
  if (at % block != position_ % block) return AppendCopy(fd, at, count);
  const uint64_t head = std::min<uint64_t>((block - at % block) % block, count);
  const uint64_t blocks = (count - head) / block * block;
  if (blocks == 0) return AppendCopy(fd, at, count);
  const int64_t copied = AppendCopy(fd, at, head);
  if (copied != int64_t(head)) return copied;
  int error = 0;
  if (!filesys::CloneRange(fd, at + head, file_, position_, blocks, &error)) {
    // Refused although the probe passed (no room for the shared extents'
    // records, a range past the input's end): copied as without sharing.
    const int64_t rest = AppendCopy(fd, at + head, count - head);
    return rest < 0 ? copied : copied + rest;
  }
  position_ += blocks;
  sharedBytes_ += blocks;
  const int64_t tail = AppendCopy(fd, at + head + blocks, count - head - blocks);
  return copied + int64_t(blocks) + (tail < 0 ? 0 : tail);
}

uint32_t OutputFile::ShareBlocksWith(int fd) {
  if (!file_ || fd < 0 || failed_) return 0;
  for (int i = 0; i < sharedFdCount_; ++i)
    if (sharedFds_[i] == fd) return shareBlock_;
  // Once the file shares blocks, a further input is taken on trust: a range
  // of it that the file system refuses (another file system) is copied.
  if (shareBlock_ != 0) {
    sharedFds_[sharedFdCount_ < kMostSharedInputs ? sharedFdCount_++ : (nextSharedSlot_++ % kMostSharedInputs)] = fd;
    return shareBlock_;
  }
  // The probe shares a block at the start of the still empty file.
  if (position_ != 0 || sharedFdCount_ == kMostSharedInputs) return 0;
  const uint32_t block = filesys::ProbeClone(fd, file_);
  if (block == 0 || (shareBlock_ != 0 && block != shareBlock_)) return 0;
  shareBlock_ = block;
  sharedFds_[sharedFdCount_++] = fd;
  return block;
}

bool OutputFile::Finish() {
  if (!file_) return !failed_ && finished_;
  Drain();
  synced_ = false;
  if (!failed_) {
    // The device gets the rest now; Sync() waits for it, so that a job's
    // other outputs are made meanwhile.
    filesys::StartWriteBack(file_, writeBackFrom_);
    owned_ = filesys::KeepOwnership(file_);
    if (owned_ == filesys::kNoOwnership) {
      // Nothing left to flush through later: it is flushed now.
      NoteUnownedPart(tempPath_);
      if (!filesys::SyncFile(file_, &reason_)) failed_ = true;
      synced_ = true;
    }
  }
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    reason_ = std::strerror(errno);
  }
  file_ = nullptr;
  storage_.Release();
  buffer_ = nullptr;
  for (uint8_t*& b : buffers_) b = nullptr;
  // A finished file waiting for its commit keeps no thread (a split into
  // many pieces keeps every piece so until the last one is complete).
  behind_.reset();
  finished_ = !failed_;
  return finished_;
}

bool OutputFile::Sync() {
  if (!finished_ || tempPath_.empty()) return false;
  if (synced_) return true;
  if (!filesys::SyncOwned(owned_, &reason_)) {
    failed_ = true;
    finished_ = false;
    return false;
  }
  synced_ = true;
  return true;
}

bool OutputFile::Commit() {
  // The bytes reach the device before the name can appear.
  if (!Sync()) return false;
  if (!filesys::MoveOwned(owned_, tempPath_, finalPath_, &reason_)) return false;
  // Still owned under its final name until the move is on the device.
  std::string why;
  const bool synced = filesys::SyncFolder(filesys::FolderOf(finalPath_), &why);
  ReleaseOwnership();
  tempPath_.clear();
  if (!synced) reason_ = "moved into place, but its folder could not be flushed to the device: " + why;
  return synced;
}

void OutputFile::ReleaseOwnership() {
  filesys::DropOwnership(owned_);
  owned_ = filesys::kNoOwnership;
  ForgetUnownedPart(tempPath_);
}

void OutputFile::Abandon() {
  if (behind_) behind_->WaitAll();  // no write may still use the file or the buffers
  // Removed while still owned: no other run takes it meanwhile.
  if (!tempPath_.empty()) filesys::RemoveFile(tempPath_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!tempPath_.empty()) ReleaseOwnership();
  tempPath_.clear();
  storage_.Release();
  buffer_ = nullptr;
  for (uint8_t*& b : buffers_) b = nullptr;
  fill_ = 0;
  finished_ = false;
}
