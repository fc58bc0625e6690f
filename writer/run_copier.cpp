// Runs wait in the copier (their input, first and last byte) until a byte
// that is not theirs comes, the bar steps (by habit) or the pass ends; then
// HandOver sends them file to file or through the reader's window.
#include "writer/run_copier.h"

#include "avi/clone_layout.h"
#include "avi/little_endian.h"

RunCopier::RunCopier(OutputStream& out, SourceReader& reader, const CopyHabits& habits, OutputStream* shareWith,
                     uint32_t block)
    : out_(out), reader_(reader), habits_(habits), shareWith_(shareWith), block_(block) {}

bool RunCopier::Fail(WriteResult why) {
  if (result_ == WriteResult::Written) result_ = why;
  return false;
}

bool RunCopier::ReadFailed(const ByteInput& input, uint64_t end) {
  if (out_.Failed()) return Fail(WriteResult::WriteFailed);
  return Fail(end <= input.Size() ? WriteResult::InputChanged : WriteResult::InputShort);
}

bool RunCopier::Put(const void* data, size_t count) {
  if (!EndRun()) return false;
  if (!out_.Write(data, count)) return Fail(WriteResult::WriteFailed);
  written_ += count;
  return true;
}

bool RunCopier::PutU32(uint32_t value) {
  uint8_t b[4];
  PutLeU32(b, value);
  return Put(b, 4);
}

bool RunCopier::PutJunk(uint32_t bytes) {
  if (!EndRun()) return false;
  if (!WriteJunk(out_, bytes)) return Fail(WriteResult::WriteFailed);
  written_ += bytes;
  return true;
}

bool RunCopier::Copy(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count) {
  if (!EndRun()) return false;
  if (!reader_.CopyTo(input, at, count, out_)) return ReadFailed(*input, at + count);
  written_ += count;
  return true;
}

bool RunCopier::Holds(const std::shared_ptr<ByteInput>& input, uint64_t end) {
  return reader_.Holds(input, end) || ReadFailed(*input, end);
}

bool RunCopier::Run(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count) {
  if (!Ok()) return false;
  if (runInput_ && runInput_.get() == input.get() && runEnd_ == at) {
    runEnd_ += count;
    return true;
  }
  if (!EndRun()) return false;
  if (shareWith_) shareWith_->ShareBlocksWith(input->Descriptor());
  runInput_ = input;
  runStart_ = at;
  runEnd_ = at + count;
  return true;
}

bool RunCopier::EndRun() {
  if (!Ok()) return false;
  if (!runInput_) return true;
  const std::shared_ptr<ByteInput> input = std::move(runInput_);
  runInput_.reset();
  return HandOver(input, runStart_, runEnd_ - runStart_);
}

bool RunCopier::AtStep() {
  if (!habits_.handOverAtSteps || !Ok()) return Ok();
  if (block_ == 0) return EndRun();
  if (!runInput_) return true;
  const uint64_t cut = runEnd_ - runEnd_ % block_;
  if (cut < runStart_ + kSharedPieceBytes) return true;
  const uint64_t from = runStart_;
  runStart_ = cut;
  return HandOver(runInput_, from, cut - from);
}

bool RunCopier::HandOver(const std::shared_ptr<ByteInput>& input, uint64_t at, uint64_t count) {
  if (count == 0) return true;
  const int fd = input->Descriptor();
  if (count >= habits_.fileCopyFrom && fd >= 0) {
    const int64_t done = out_.AppendFromFile(fd, at, count);
    if (done >= 0) {
      written_ += uint64_t(done);
      if (uint64_t(done) != count) input->CheckShortRead(at, count, uint64_t(done));
      return uint64_t(done) == count || ReadFailed(*input, at + count);
    }
  }
  if (!reader_.CopyTo(input, at, count, out_)) return ReadFailed(*input, at + count);
  written_ += count;
  return true;
}
