// A file the exact cut writes and then reads back before any output is
// made (the re-encoded frames): named as the program's
// temporary files are, beside the output (a leftover of a run that died is
// removed as theirs are), closed once written so that it can be opened for
// reading (Windows refuses to read a file that a handle still writes), and
// removed when the object goes.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "io/output_stream.h"

class ScratchFile : public OutputStream {
 public:
  ScratchFile() = default;
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // A new file beside nearPath; false with Reason() when none can be made.
  bool Create(const std::string& nearPath);
  bool Write(const void* data, size_t count) override;
  uint64_t Position() const override { return position_; }
  bool Failed() const override { return failed_; }
  // Closes it; false when a write failed.
  bool Finish();

  const std::string& Path() const { return path_; }
  const std::string& Reason() const { return reason_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string reason_;
  uint64_t position_ = 0;
  bool failed_ = false;
};
