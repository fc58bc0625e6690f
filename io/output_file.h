// One output file, written so that nothing that existed before is ever harmed:
// the bytes go to a fresh temporary file in the final name's folder, which
// replaces the final name (a replace-existing move; a link there is replaced,
// never written through) only when Commit() is called after a complete
// Finish(). A file that is not committed is removed, also when the object is
// destroyed, so every failure or cancel leaves no temporary file behind.
//
//   OutputFile out;
//   if (!out.Create(name)) report(out.Reason());
//   ... out.Write(...) ...
//   if (!out.Finish() || !out.Commit()) report(out.Reason());
//
// Writers of several files finish and sync all of them before committing
// any. A job asks its sink's BeginCommit() (job/job_sink.h) once before the
// first Commit(): from then on a cancel comes too late, and every output is
// moved.
//
// After a power cut a final name holds either its earlier file or the whole
// new one: the file is flushed to the device (Sync(): fsync,
// FlushFileBuffers) before Commit() moves it, and Commit() flushes the folder
// after the move (POSIX; the Windows move is written through).
//
// The temporary file is ".NAME.PID.tavrin-part" beside the final NAME
// (io/part_files.h). It stays owned by the process until it is moved or
// removed (io/file_system.h: a lock on POSIX, a handle that shares no
// writing on Windows), also while it waits, finished, for the other outputs
// of its job. Create() first removes from the folder the temporary files
// that killed runs left behind and no running process owns.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "io/io_buffer.h"
#include "io/output_stream.h"
#include "io/write_behind.h"

class OutputFile : public OutputStream {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file for finalPath. False, with Reason() set, when
  // finalPath names something a new file cannot replace (a folder, a
  // read-only file) or when no file can be created in its folder.
  bool Create(const std::string& finalPath);
  bool IsOpen() const { return file_ != nullptr; }

  bool Write(const void* data, size_t count) override;
  uint64_t Position() const override { return position_; }
  // Also true as soon as a write on the writing thread has failed.
  bool Failed() const override;
  // Flushes what is buffered, then lets the system copy the range into the
  // file (io/file_range.h).
  int64_t AppendFromFile(int fd, uint64_t at, uint64_t count) override;
  // Tries once per fd whether this file's file system shares fd's blocks
  // (on the empty file); once it does, further fds are taken without a try.
  uint32_t ShareBlocksWith(int fd) override;
  // Bytes of this file that share blocks with an input.
  uint64_t SharedBytes() const { return sharedBytes_; }
  // True once ShareBlocksWith found that this file can share blocks.
  bool SharesBlocks() const { return shareBlock_ != 0; }

  // Closes the temporary file (it stays owned) and has the system start
  // writing it to the device; false when this or any earlier write failed.
  bool Finish();
  // Waits until the finished file is on the device (fsync,
  // FlushFileBuffers); false, with Reason(), when the device says it is not.
  // Commit() does it when it was not done; a job of several outputs syncs
  // them all before it commits the first, so that none is moved unless all
  // are whole.
  bool Sync();
  // Syncs the finished temporary file, moves it over the final name and
  // flushes the folder; false when it cannot (the earlier file is then still
  // in place, unless only the folder's flush failed).
  bool Commit();
  // Closes and removes the temporary file unless it was committed.
  void Abandon();

  // The system's reason for the last failure ("No space left on device").
  const std::string& Reason() const { return reason_; }
  const std::string& FinalPath() const { return finalPath_; }
  const std::string& TemporaryPath() const { return tempPath_; }

 private:
  // Hands the current buffer over for writing and moves on to the next.
  bool Flush();
  // Waits until every byte handed over is written; false when a write failed.
  bool Drain();
  void NoteWriteError(int error) const;
  void ReleaseOwnership();
  void StartWriteBack();
  // Appends what AppendFromFile would, sharing the whole blocks it can.
  int64_t AppendSharing(int fd, uint64_t at, uint64_t count);
  int64_t AppendCopy(int fd, uint64_t at, uint64_t count);

  std::FILE* file_ = nullptr;
  intptr_t owned_ = -1;  // the finished file's ownership (filesys::KeepOwnership)
  std::string finalPath_;
  std::string tempPath_;  // empty when there is no temporary file
  // A failure of the writing thread is taken over when it is first asked about.
  mutable std::string reason_;
  // A few buffers in turn: while one is filled the others are written by
  // a second thread (io/write_behind.h) where the platform has one.
  IoBuffer storage_;
  uint8_t* buffers_[4] = {};     // within storage_
  uint64_t tickets_[4] = {};     // the pending write of each buffer (0: none)
  int current_ = 0;
  uint8_t* buffer_ = nullptr;    // buffers_[current_]
  size_t fill_ = 0;
  std::unique_ptr<WriteBehind> behind_;  // one per file written: no error carried over
  uint64_t position_ = 0;
  uint64_t writeBackFrom_ = 0;  // where the next StartWriteBack begins
  mutable bool failed_ = false;
  bool finished_ = false;
  bool synced_ = false;
  // Inputs whose blocks this file shares, at which block size (0: none).
  static constexpr int kMostSharedInputs = 8;
  int sharedFds_[kMostSharedInputs] = {};
  int sharedFdCount_ = 0;
  int nextSharedSlot_ = 0;  // the slot a further input takes once all are used
  uint32_t shareBlock_ = 0;
  uint64_t sharedBytes_ = 0;
};
