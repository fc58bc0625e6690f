// The exact cut's heads made on two cores (exact/head_parts.h).
#include "exact/head_parts.h"

#include <algorithm>

#include "avi/byte_input.h"
#include "exact/scratch_file.h"
#include "exact/two_coders.h"
#include "job/job_sink.h"

namespace {

// The code of the video's chunks ("00dc").
uint32_t VideoCkid(int stream) {
  return uint32_t('0' + stream / 10) | uint32_t('0' + stream % 10) << 8 | uint32_t('d') << 16 | uint32_t('c') << 24;
}

// Encodes a part; touches nothing but the coder and the part, so that two
// parts can be made at once.
bool EncodePart(ExactCoder& coder, const ExactWork& work, HeadPart& part, std::string* why) {
  part.file = std::make_shared<ScratchFile>();
  const auto writeFault = [&] { return part.writeFault = true, *why = part.file->Reason(), false; };
  if (!part.file->Create(work.sideName + "-head.bin")) return writeFault();
  const uint32_t ckid = VideoCkid(work.source.analysis.firstVideoStream);
  if (!coder.Reencode(part.from, part.to, ckid, *part.file, &part.chunks, &part.lowest, why))
    return part.file->Failed() ? writeFault() : false;
  if (!part.file->Finish()) return writeFault();
  return true;
}

// Appends the bytes of a part's file to the head's side file, its chunks
// moved by where they land.
bool AppendPart(HeadPart& part, ScratchFile& side, SwapRun* run, std::string* why) {
  ByteInput input;
  if (!input.Open(part.file->Path().c_str())) return *why = "the re-encoded frames cannot be read back", false;
  const uint64_t base = side.Position();
  std::vector<uint8_t> buffer(1 << 20);
  for (uint64_t at = 0; at < input.Size();) {
    const size_t got = input.ReadBulk(at, buffer.data(), size_t(std::min<uint64_t>(buffer.size(), input.Size() - at)));
    if (got == 0) return *why = "the re-encoded frames cannot be read back", false;
    if (!side.Write(buffer.data(), got)) return *why = side.Reason(), false;
    at += got;
  }
  for (SwappedChunk c : part.chunks) {
    c.at += base;
    run->chunks.push_back(c);
  }
  return true;
}

// Encodes parts, taking them in turn, on two coders when there are two.
void EncodeParts(const ExactWork& work, std::vector<HeadPart>& parts, FramesWatch& watch,
                 std::vector<std::string>* failures) {
  ShareWork(work.coder, work.second, parts.size(), watch, [&](ExactCoder& coder, size_t i) {
    if (!EncodePart(coder, work, parts[i], &(*failures)[i]) && (*failures)[i].empty())
      (*failures)[i] = "the re-encode stopped";
  });
}

}  // namespace

// The parts of the heads with frames to make, in order. When their number
// is odd and the stream has no B-frames, the longest run is split in two
// (the second half starting with a key frame of its own) so that both
// coders have as much to do; a head alone is then made on both cores.
std::vector<HeadPart> PartsOf(const ExactWork& work, const std::vector<ExactHead>& heads, bool twoCoders) {
  std::vector<HeadPart> parts;
  const auto add = [&](size_t head, uint32_t from, uint32_t to) {
    parts.emplace_back();
    parts.back().head = head, parts.back().from = from, parts.back().to = to;
  };
  for (size_t i = 0; i < heads.size(); ++i) {
    const ExactHead& h = heads[i];
    if (h.reencoded) add(i, h.first, h.first + h.reencoded);
    if (h.tailFrames) add(i, h.tailFrom, h.end);
  }
  constexpr uint32_t kShortestSplit = 50;  // frames: below, a second key frame costs more than it saves
  if (!twoCoders || work.bFrames || parts.size() % 2 == 0) return parts;
  size_t longest = 0;
  for (size_t i = 1; i < parts.size(); ++i)
    if (parts[i].to - parts[i].from > parts[longest].to - parts[longest].from) longest = i;
  HeadPart& whole = parts[longest];
  if (whole.to - whole.from < kShortestSplit) return parts;
  HeadPart rest = whole;
  rest.from = whole.to = whole.from + (whole.to - whole.from) / 2;
  rest.continues = true;
  parts.insert(parts.begin() + ptrdiff_t(longest) + 1, rest);
  return parts;
}

bool MakeParts(ExactWork& work, const std::vector<ExactHead>& heads, int span, std::vector<HeadPart>* parts,
               std::vector<std::string>* failures) {
  uint64_t total = 0;
  for (const ExactHead& h : heads) total += h.Made();
  total = std::max<uint64_t>(total, 1);
  int shown = -1;
  FramesWatch watch(work.sink, [&](uint64_t made) {
    const int cells = 10 + int(uint64_t(span) * std::min(made, total) / total);
    if (cells != shown) work.sink.Progress(shown = cells);
  });
  *parts = PartsOf(work, heads, work.second != nullptr);
  failures->assign(parts->size(), std::string());
  work.coder.Watch(&watch);
  if (work.second) work.second->Watch(&watch);
  EncodeParts(work, *parts, watch, failures);
  work.coder.Watch(nullptr);
  if (work.second) work.second->Watch(nullptr);
  watch.Look();
  return !watch.Stopped();
}

// Puts a head's parts together in its side file, as the runs of its swap
// (the key frame not yet among them).
bool AssembleHead(const ExactWork& work, ExactHead& head, std::vector<HeadPart*>& parts, std::string* why) {
  head.side = std::make_shared<ScratchFile>();
  if (!head.side->Create(work.sideName + "-head.bin")) return *why = head.side->Reason(), false;
  auto swap = std::make_shared<ChunkSwap>();
  swap->stream = work.source.analysis.firstVideoStream;
  for (HeadPart* part : parts) {
    if (!part->continues) {
      swap->runs.emplace_back();
      swap->runs.back().first = part->from;
    }
    if (!AppendPart(*part, *head.side, &swap->runs.back(), why)) return false;
    part->file.reset();
    head.lowestPsnr = std::min(head.lowestPsnr == 0 ? 99.0 : head.lowestPsnr, part->lowest);
  }
  if (!head.side->Finish()) return *why = head.side->Reason(), false;
  head.swap = swap;
  return true;
}
