// An output file written under a temporary name beside its final name and
// moved into place only when complete: a failed or cancelled write leaves
// neither a partial file nor a changed one.
#pragma once
#include <cstdio>
#include <string>

#include "merge/joined_writer.h"

class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile() { Abandon(); }
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file for path; false when it cannot be created.
  bool Create(const char* path);
  // The sink that appends to the temporary file.
  ByteSink Sink();
  // Closes the temporary file and moves it to the final name, replacing any
  // file there; false (and nothing left behind) when that fails.
  bool Commit();
  // Closes and removes the temporary file, if any.
  void Abandon();

 private:
  static bool Append(void* self, const void* data, size_t count);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string temporary_;
};

// Moves from over to, replacing an existing to; false when it cannot.
bool ReplaceFileWith(const char* from, const char* to);
