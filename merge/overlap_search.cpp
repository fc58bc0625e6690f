// Finding the overlap is finding the longest tail of the first input's video
// that is also the head of the second's. Frames are compared as symbols of a
// string search (Knuth-Morris-Pratt), so each frame takes part in a bounded
// number of comparisons however repetitive the material is; lengths from the
// index decide most comparisons without reading a chunk, and frames found
// byte-identical are remembered as one class so a static scene is not re-read.
//
// The string search remembers a few numbers per frame of the second input's
// head. Above a bound (OverlapSearch::maxRememberedFrames) the search keeps
// its memory fixed instead: every frame becomes a fingerprint (a keyed hash of
// its length and bytes), and one pass that walks the first input's tail
// backwards and the second input's head forwards keeps polynomial hashes of
// the tail and head of each length L; the longest L whose two hashes agree is
// then confirmed frame by frame. A false agreement (a hash collision) is
// caught by that check and the pass is repeated with new keys below it. Time
// stays linear in the bytes of the frames involved whatever their number.
#include "merge/overlap_search.h"

#include <chrono>
#include <cstring>
#include <atomic>
#include <memory>
#include <vector>

#include "avi/walk_sink.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"

namespace {

constexpr uint32_t kCancelPollMask = 255;  // look at the cancel flag every 256 steps

// A window of one input's bytes, refilled with one read where a chunk does
// not lie in it. The frames a search compares mostly follow one another in
// both inputs, so most are compared in memory without a read of their own
// (1,500 frames of 15 KB: about 500 reads instead of 2,000). Larger windows
// fall out of the processor's cache and are slower.
class ReadWindow {
 public:
  static constexpr size_t kSize = 128 * 1024;

  // The bytes [position, position + count) of file, count <= kSize; how many
  // of them exist in the file goes to *existing (the rest is past its end).
  const uint8_t* At(ByteInput& file, uint64_t position, size_t count, size_t* existing) {
    const bool inside = &file == file_ && position >= start_ && position - start_ <= fill_ &&
                        (position - start_ + count <= fill_ || fill_ < kSize);  // short: the file ends
    if (!inside) {
      file_ = &file;
      start_ = position;
      fill_ = file.ReadBulk(position, bytes_.data(), kSize);
    }
    const size_t offset = size_t(position - start_);
    *existing = count < fill_ - offset ? count : fill_ - offset;
    return bytes_.data() + offset;
  }

 private:
  std::vector<uint8_t> bytes_ = std::vector<uint8_t>(kSize);
  ByteInput* file_ = nullptr;
  uint64_t start_ = 0;
  size_t fill_ = 0;  // bytes from start_ on that exist in the file
};

// Compares two chunks from their 8-byte headers on, block by block, stopping
// at the first difference. It can remember one chunk's bytes as a reference,
// so that a run of identical frames is read once rather than once per pair.
class ChunkComparer {
 public:
  // When rememberAs is not -1 and the chunks agree, the second chunk's bytes
  // become the reference, known as rememberAs.
  bool Same(ByteInput& fa, uint64_t pa, ByteInput& fb, uint64_t pb, uint32_t length,
            int32_t rememberAs = -1) {
    const uint64_t total = uint64_t(length) + 8;
    const bool remember = rememberAs >= 0 && total <= kMaxReference;
    if (remember) {
      referenceNode_ = -1;  // overwritten below
      reference_.resize(size_t(total));
    }
    uint64_t done = 0;
    while (done < total) {
      const size_t take = total - done < kBlock ? size_t(total - done) : kBlock;
      size_t gotA = 0, gotB = 0;
      const uint8_t* a = a_.At(fa, pa + done, take, &gotA);
      const uint8_t* b = b_.At(fb, pb + done, take, &gotB);
      // A byte past the end of one file never equals a real byte of the other.
      if (gotA != gotB || std::memcmp(a, b, gotA) != 0) return false;
      if (remember) std::memcpy(reference_.data() + done, b, gotB);
      if (gotA < take) {  // both ended here: the rest is end-of-file on both sides
        done += gotA;
        break;
      }
      done += take;
    }
    if (remember) {
      referenceNode_ = rememberAs;
      referenceLength_ = length;
      referenceExisting_ = done;
    }
    return true;
  }

  // The frame whose bytes are remembered, or -1.
  int32_t ReferenceNode() const { return referenceNode_; }

  // Compares a chunk of the reference's length with the reference.
  bool SameAsReference(ByteInput& f, uint64_t p, uint32_t length) {
    if (referenceNode_ < 0 || length != referenceLength_) return false;
    const uint64_t total = uint64_t(length) + 8;
    uint64_t done = 0;
    while (done < total) {
      const size_t take = total - done < kBlock ? size_t(total - done) : kBlock;
      size_t got = 0;
      const uint8_t* bytes = a_.At(f, p + done, take, &got);
      uint64_t known = referenceExisting_ > done ? referenceExisting_ - done : 0;
      size_t expected = known < take ? size_t(known) : take;
      if (got != expected || std::memcmp(bytes, reference_.data() + done, got) != 0) return false;
      if (got < take) return true;
      done += take;
    }
    return true;
  }

 private:
  static constexpr size_t kBlock = 128 * 1024;  // at most ReadWindow::kSize
  static constexpr uint64_t kMaxReference = 1024 * 1024;
  ReadWindow a_;
  ReadWindow b_;
  std::vector<uint8_t> reference_;
  int32_t referenceNode_ = -1;
  uint32_t referenceLength_ = 0;
  uint64_t referenceExisting_ = 0;  // bytes of the reference that exist in its file
};

uint64_t ChunkPosition(const OverlapSource& source, const IndexEntry& e) { return ChunkPosition(source.chunkBase, e); }

// The head of the second input's video: the pattern of the string search.
struct Pattern {
  std::vector<uint64_t> position;  // of each frame's chunk header
  std::vector<uint32_t> length;
  std::vector<int32_t> border;  // KMP failure function
  std::vector<int32_t> parent;  // union-find over byte-identical frames

  int32_t Find(int32_t i) {
    while (parent[i] != i) {
      parent[i] = parent[parent[i]];
      i = parent[i];
    }
    return i;
  }
  void Join(int32_t i, int32_t j) {
    i = Find(i);
    j = Find(j);
    if (i != j) parent[i < j ? j : i] = i < j ? i : j;
  }
};

// Counts the video entries from entry `from` to the end of an index.
uint32_t CountFrames(IndexReader& cursor, uint32_t from, int video) {
  uint32_t count = 0;
  for (uint32_t i = from; i < cursor.Total(); ++i)
    if (StreamOfCkid(cursor.At(i).ckid) == video) ++count;
  return count;
}

}  // namespace

OverlapResult FindOverlap(WalkSink& sink, const OverlapSource& first, const OverlapSource& second,
                          const OverlapSearch& search) {
  auto firstIndex = std::make_unique<IndexReader>(*first.file, first.idx1Offset, first.entryTotal);
  auto secondIndex =
      std::make_unique<IndexReader>(*second.file, second.idx1Offset, second.entryTotal);

  // The candidates: every video frame of the first input from the start on.
  const uint32_t candidates = CountFrames(*firstIndex, search.startEntry, search.video);
  if (candidates == 0) return {OverlapOutcome::NotFound, 0};

  // A tail longer than the second input's whole video cannot match, so the
  // pattern is at most as long as both.
  Pattern p;
  for (uint32_t i = 0; i < second.entryTotal && p.length.size() < candidates; ++i) {
    IndexEntry e = secondIndex->At(i);
    if (StreamOfCkid(e.ckid) != search.video) continue;
    if (p.length.size() >= search.maxRememberedFrames)
      return FindOverlapHashed(sink, first, second, search);
    p.position.push_back(ChunkPosition(second, e));
    p.length.push_back(e.length);
  }
  const int32_t m = int32_t(p.length.size());
  if (m == 0) return {OverlapOutcome::NotFound, 0};
  p.border.assign(size_t(m), 0);
  p.parent.resize(size_t(m));
  for (int32_t i = 0; i < m; ++i) p.parent[size_t(i)] = i;

  ChunkComparer compare;
  ByteInput& a = *first.file;
  ByteInput& b = *second.file;
  // A frame of the reference's class is compared with the remembered bytes.
  auto inReferenceClass = [&](int32_t j) {
    return compare.ReferenceNode() >= 0 && p.Find(compare.ReferenceNode()) == p.Find(j);
  };
  auto samePatternFrames = [&](int32_t i, int32_t j) {
    if (p.length[size_t(i)] != p.length[size_t(j)]) return false;
    if (p.Find(i) == p.Find(j)) return true;
    const uint64_t at = p.position[size_t(i)];
    bool same = inReferenceClass(j)
                    ? compare.SameAsReference(b, at, p.length[size_t(i)])
                    : compare.Same(b, at, b, p.position[size_t(j)],
                                   p.length[size_t(i)], j);
    if (same) p.Join(i, j);
    return same;
  };

  uint32_t steps = 0;
  int32_t k = 0;
  for (int32_t i = 1; i < m; ++i) {
    if ((++steps & kCancelPollMask) == 0 && sink.Cancelled()) return {OverlapOutcome::Cancelled, 0};
    for (;;) {
      if (samePatternFrames(i, k)) {
        ++k;
        break;
      }
      if (k == 0) break;
      k = p.border[size_t(k - 1)];
    }
    p.border[size_t(i)] = k;
  }

  // Run the first input's tail through the pattern; k ends as the length of
  // the longest tail that is a head of the second input.
  k = 0;
  for (uint32_t i = search.startEntry; i < first.entryTotal; ++i) {
    IndexEntry e = firstIndex->At(i);
    if (StreamOfCkid(e.ckid) != search.video) continue;
    if ((++steps & kCancelPollMask) == 0 && sink.Cancelled()) return {OverlapOutcome::Cancelled, 0};
    int32_t sameAs = -1;  // a pattern frame this frame is known to equal
    auto matches = [&](int32_t j) {
      if (e.length != p.length[size_t(j)]) return false;
      if (sameAs >= 0 && p.Find(sameAs) == p.Find(j)) return true;
      const uint64_t at = ChunkPosition(first, e);
      bool same = inReferenceClass(j) ? compare.SameAsReference(a, at, e.length)
                                      : compare.Same(a, at, b, p.position[size_t(j)],
                                                     e.length, j);
      if (!same) return false;
      if (sameAs < 0)
        sameAs = j;
      else
        p.Join(sameAs, j);
      return true;
    };
    for (;;) {
      if (k < m && matches(k)) {
        ++k;
        break;
      }
      if (k == 0) break;
      k = p.border[size_t(k - 1)];
    }
  }
  if (k == 0) return {OverlapOutcome::NotFound, 0};
  return {OverlapOutcome::Found, search.startFrame + (candidates - uint32_t(k))};
}

namespace {

// Arithmetic modulo two primes below 2^31: products fit 64 bits on every target.
constexpr uint64_t kPrimes[2] = {2147483647u, 2147483629u};

struct PairHash {
  uint64_t v[2] = {0, 0};
  bool operator==(const PairHash& o) const { return v[0] == o.v[0] && v[1] == o.v[1]; }
};

uint64_t Mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdull;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ull;
  x ^= x >> 33;
  return x;
}

// A keyed fingerprint of one frame as the comparison sees it: its length, how
// many of its length + 8 bytes exist in the file, and those bytes.
class Fingerprinter {
 public:
  explicit Fingerprinter(uint64_t key) : key_(key), block_(256 * 1024) {}
  PairHash Of(ByteInput& file, uint64_t position, uint32_t length) {
    uint64_t h = Mix(key_ ^ length);
    const uint64_t total = uint64_t(length) + 8;
    uint64_t done = 0, existing = 0;
    while (done < total) {
      const size_t take = total - done < block_.size() ? size_t(total - done) : block_.size();
      file.Seek(position + done);
      const size_t got = file.Read(block_.data(), take);
      existing += got;
      size_t i = 0;
      for (; i + 8 <= got; i += 8) {
        uint64_t word;
        std::memcpy(&word, block_.data() + i, 8);
        h = Mix(h ^ word) + 0x9E3779B97F4A7C15ull;
      }
      for (; i < got; ++i) h = Mix(h ^ block_[i]) + 1;
      if (got < take) break;
      done += take;
    }
    h = Mix(h ^ existing ^ (key_ << 1));
    PairHash out;
    out.v[0] = h % kPrimes[0];
    out.v[1] = (h >> 32) % kPrimes[1];
    return out;
  }

 private:
  uint64_t key_;
  std::vector<uint8_t> block_;
};

// Walks the video entries of one index forwards or backwards.
class VideoCursor {
 public:
  VideoCursor(const OverlapSource& source, int video, uint32_t from, bool backwards)
      : index_(*source.file, source.idx1Offset, source.entryTotal), source_(source), video_(video),
        from_(from), backwards_(backwards), next_(backwards ? source.entryTotal : from) {}
  // The next video entry; false when there is none.
  bool Next(IndexEntry* e) {
    for (;;) {
      if (backwards_) {
        if (next_ <= from_) return false;
        *e = index_.At(--next_);
      } else {
        if (next_ >= source_.entryTotal) return false;
        *e = index_.At(next_++);
      }
      if (StreamOfCkid(e->ckid) == video_) return true;
    }
  }

 private:
  IndexReader index_;
  const OverlapSource& source_;
  int video_;
  uint32_t from_;
  bool backwards_;
  uint32_t next_;
};

uint64_t RunKey() {
  static std::atomic<uint64_t> counter{0};
  return Mix(uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
             (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull));
}

}  // namespace

OverlapResult FindOverlapHashed(WalkSink& sink, const OverlapSource& first, const OverlapSource& second,
                                const OverlapSearch& search) {
  IndexReader counter(*first.file, first.idx1Offset, first.entryTotal);
  const uint32_t candidates = CountFrames(counter, search.startEntry, search.video);
  uint32_t limit = candidates;  // the longest overlap still worth a pass
  uint32_t steps = 0;
  while (limit > 0) {
    const uint64_t key = RunKey();
    Fingerprinter print(key);
    uint64_t base[2], power[2] = {1, 1};
    for (int k = 0; k < 2; ++k) base[k] = 256 + Mix(key + uint64_t(k) + 1) % (kPrimes[k] - 512);
    PairHash tail, head;
    uint32_t best = 0;
    VideoCursor t(first, search.video, search.startEntry, true);
    VideoCursor h(second, search.video, 0, false);
    IndexEntry et, eh;
    for (uint32_t length = 1; length <= limit; ++length) {
      if ((++steps & kCancelPollMask) == 0 && sink.Cancelled()) return {OverlapOutcome::Cancelled, 0};
      if (!t.Next(&et) || !h.Next(&eh)) break;
      const PairHash ft = print.Of(*first.file, ChunkPosition(first, et), et.length);
      const PairHash fh = print.Of(*second.file, ChunkPosition(second, eh), eh.length);
      for (int k = 0; k < 2; ++k) {
        tail.v[k] = (ft.v[k] * power[k] + tail.v[k]) % kPrimes[k];
        head.v[k] = (head.v[k] * base[k] + fh.v[k]) % kPrimes[k];
        power[k] = power[k] * base[k] % kPrimes[k];
      }
      if (tail == head) best = length;
    }
    if (best == 0) return {OverlapOutcome::NotFound, 0};
    // Confirm the longest agreement frame by frame.
    VideoCursor a(first, search.video, search.startEntry, false);
    VideoCursor b(second, search.video, 0, false);
    ChunkComparer compare;
    IndexEntry ea, eb;
    for (uint32_t skip = candidates - best; skip > 0 && a.Next(&ea); --skip) {
    }
    bool same = true;
    for (uint32_t i = 0; i < best && same; ++i) {
      if ((++steps & kCancelPollMask) == 0 && sink.Cancelled()) return {OverlapOutcome::Cancelled, 0};
      same = a.Next(&ea) && b.Next(&eb) && ea.length == eb.length &&
             compare.Same(*first.file, ChunkPosition(first, ea), *second.file,
                          ChunkPosition(second, eb), ea.length);
    }
    if (same) return {OverlapOutcome::Found, search.startFrame + (candidates - best)};
    limit = best - 1;  // a collision: look again, with new keys, below it
  }
  return {OverlapOutcome::NotFound, 0};
}

OverlapResult FindOverlapDirect(WalkSink& sink, const OverlapSource& first,
                                const OverlapSource& second, const OverlapSearch& search) {
  auto candidateIndex =
      std::make_unique<IndexReader>(*first.file, first.idx1Offset, first.entryTotal);
  auto tailIndex = std::make_unique<IndexReader>(*first.file, first.idx1Offset, first.entryTotal);
  auto headIndex =
      std::make_unique<IndexReader>(*second.file, second.idx1Offset, second.entryTotal);
  ChunkComparer compare;
  uint32_t frame = search.startFrame;
  uint32_t steps = 0;
  for (uint32_t i = search.startEntry; i < first.entryTotal; ++i) {
    if (StreamOfCkid(candidateIndex->At(i).ckid) != search.video) continue;
    bool all = true;
    uint32_t next = 0;  // the second input's entry to look at next
    for (uint32_t j = i; j < first.entryTotal && all; ++j) {
      IndexEntry ea = tailIndex->At(j);
      if (StreamOfCkid(ea.ckid) != search.video) continue;
      if ((++steps & kCancelPollMask) == 0 && sink.Cancelled())
        return {OverlapOutcome::Cancelled, 0};
      while (next < second.entryTotal && StreamOfCkid(headIndex->At(next).ckid) != search.video)
        ++next;
      if (next >= second.entryTotal) {
        all = false;  // the second input's video ran out
        break;
      }
      IndexEntry eb = headIndex->At(next++);
      all = ea.length == eb.length &&
            compare.Same(*first.file, ChunkPosition(first, ea), *second.file,
                         ChunkPosition(second, eb), ea.length);
    }
    if (all) return {OverlapOutcome::Found, frame};
    ++frame;
  }
  return {OverlapOutcome::NotFound, 0};
}
