// OpenDML files in miniature, in the layouts real writers use (a RIFF AVIX
// needs no gigabyte): an indx super index in every strl, LIST odml in hdrl,
// ix## standard indexes placed where ffmpeg, avimux, mencoder or dvgrab put
// them, each with that writer's qwBaseOffset. Index chunks are written as
// placeholders first and filled in once every chunk's position is known.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "avi/avi_source.h"
#include "avi/odml_flat_view.h"
#include "avi/odml_reader.h"
#include "tests/native/avi_builder.h"

namespace avitest {

constexpr size_t kEndOfMovi = size_t(-1);

// What qwBaseOffset + dwOffset counts from (the data of the chunk, always).
enum class IxBase {
  MoviOfRiff,   // ffmpeg: the "movi" of the RIFF holding the first chunk listed
  AvimuxRiff,   // avimux: 0 in the first RIFF, then that RIFF's header
  FirstData,    // mencoder: the data of the first chunk listed
  FirstHeader,  // dvgrab: the header of the first chunk listed
};

// One ix## chunk: where it sits and how many of its stream's entries (taken
// in order) it lists.
struct IxSlot {
  int stream;
  size_t beforeChunk;  // before this chunk of clip.chunks, or kEndOfMovi
  int riff;            // with kEndOfMovi: at the end of this RIFF's movi
  uint32_t entries;
  uint32_t room;  // entries it has room for (dvgrab preallocates)
};

struct OdmlAviLayout {
  AviLayout clip;                  // streams, chunks in file order, header JUNK
  std::vector<size_t> riffStarts;  // first chunk of each RIFF AVIX
  std::vector<IxSlot> slots;
  IxBase base = IxBase::MoviOfRiff;
  bool idx1Absolute = false;       // avimux
  bool audioKey = true;            // avimux marks no audio entry key
  bool junkEndsFirstRiff = false;  // dvgrab
  bool strayIdx1Entry = false;     // dvgrab: an idx1 entry naming no chunk
  uint32_t superRoom = 32;
};

struct PlacedChunk {
  int stream;
  size_t header;  // position of the chunk header
  uint32_t size;
  bool key;
};

struct BuiltOdml {
  Bytes bytes;
  std::vector<PlacedChunk> chunks;  // file order
  size_t moviList = 0;              // first RIFF's movi LIST header
  std::vector<size_t> superIndexes;     // per stream
  std::vector<size_t> standardIndexes;  // per slot
  std::vector<size_t> riffs;
};

inline size_t RiffOfChunk(const OdmlAviLayout& l, size_t chunk) {
  size_t r = 0;
  while (r < l.riffStarts.size() && chunk >= l.riffStarts[r]) ++r;
  return r;
}

inline bool EntryKey(const OdmlAviLayout& l, const ChunkLayout& c) {
  return l.clip.streams[c.stream].type == "vids" ? c.key : l.audioKey;
}

inline BuiltOdml BuildOdml(const OdmlAviLayout& l) {
  const AviLayout& clip = l.clip;
  const size_t streams = clip.streams.size();
  BuiltOdml b;
  RiffWriter w;
  b.riffs.push_back(0);
  size_t riff = w.BeginList("RIFF", "AVI ");
  size_t firstRiffEnd = l.riffStarts.empty() ? clip.chunks.size() : l.riffStarts[0];
  b.superIndexes.resize(streams);
  // avih counts the first RIFF's frames, as every writer's does.
  WriteHeaderList(
      w, clip, VideoChunks(clip, firstRiffEnd),
      [&](size_t s) { b.superIndexes[s] = w.Chunk("indx", Bytes(24 + 16 * l.superRoom, 0)); },
      [&]() {
        size_t odml = w.BeginList("LIST", "odml");
        Bytes dmlh(248, 0);
        SetU32(dmlh, 0, VideoChunks(clip));
        w.Chunk("dmlh", dmlh);
        w.EndList(odml);
      });
  if (!clip.junkAfterHeader.empty())
    w.Chunk("JUNK", Bytes(clip.junkAfterHeader.begin(), clip.junkAfterHeader.end()));

  std::vector<size_t> moviTypes;
  b.standardIndexes.assign(l.slots.size(), 0);
  auto placeSlots = [&](size_t before, size_t riffNumber) {
    for (size_t i = 0; i < l.slots.size(); ++i) {
      const IxSlot& slot = l.slots[i];
      if (slot.beforeChunk != before || (before == kEndOfMovi && size_t(slot.riff) != riffNumber)) continue;
      std::string code = "ix0" + std::string(1, char('0' + slot.stream));
      b.standardIndexes[i] = w.Chunk(code.c_str(), Bytes(24 + 8 * slot.room, 0));
    }
  };
  std::vector<size_t> chunkAt(clip.chunks.size());
  for (size_t r = 0; r <= l.riffStarts.size(); ++r) {
    size_t first = r == 0 ? 0 : l.riffStarts[r - 1];
    size_t end = r < l.riffStarts.size() ? l.riffStarts[r] : clip.chunks.size();
    if (r > 0) {
      b.riffs.push_back(w.bytes.size());
      riff = w.BeginList("RIFF", "AVIX");
    }
    size_t movi = w.BeginList("LIST", "movi");
    if (r == 0) b.moviList = movi - 4;
    moviTypes.push_back(movi + 4);
    for (size_t i = first; i < end; ++i) {
      placeSlots(i, r);
      const ChunkLayout& c = clip.chunks[i];
      chunkAt[i] = w.Chunk(Ckid(c.stream, clip.streams[c.stream].type).c_str(), ChunkData(c));
      b.chunks.push_back(PlacedChunk{c.stream, chunkAt[i], c.size, EntryKey(l, c)});
    }
    placeSlots(kEndOfMovi, r);
    w.EndList(movi);
    if (r == 0) {
      Bytes idx;
      for (size_t i = 0; i < end; ++i) {
        const ChunkLayout& c = clip.chunks[i];
        PutCode(idx, Ckid(c.stream, clip.streams[c.stream].type).c_str());
        PutU32(idx, EntryKey(l, c) ? 0x10 : 0);
        PutU32(idx, uint32_t(l.idx1Absolute ? chunkAt[i] : chunkAt[i] - moviTypes[0]));
        PutU32(idx, c.size);
      }
      if (l.strayIdx1Entry) {
        PutCode(idx, "7Fxx");
        for (int k = 0; k < 3; ++k) PutU32(idx, 0);
      }
      w.Chunk("idx1", idx);
      if (l.junkEndsFirstRiff) w.Chunk("JUNK", Bytes(100, 0));
    }
    w.EndList(riff);
  }

  // Fill the standard indexes, each stream's entries in order over its slots.
  std::vector<std::vector<size_t>> ofStream(streams);
  for (size_t i = 0; i < clip.chunks.size(); ++i) ofStream[clip.chunks[i].stream].push_back(i);
  std::vector<size_t> taken(streams, 0);
  std::vector<std::vector<size_t>> slotsOf(streams);
  for (size_t i = 0; i < l.slots.size(); ++i) {
    const IxSlot& slot = l.slots[i];
    slotsOf[slot.stream].push_back(i);
    const StreamLayout& st = clip.streams[slot.stream];
    size_t firstChunk = ofStream[slot.stream][taken[slot.stream]];
    size_t r = RiffOfChunk(l, firstChunk);
    uint64_t base = 0;
    switch (l.base) {
      case IxBase::MoviOfRiff: base = moviTypes[r]; break;
      case IxBase::AvimuxRiff: base = r == 0 ? 0 : b.riffs[r]; break;
      case IxBase::FirstData: base = chunkAt[firstChunk] + 8; break;
      case IxBase::FirstHeader: base = chunkAt[firstChunk]; break;
    }
    size_t at = b.standardIndexes[i] + 8;
    w.bytes[at] = 2;  // wLongsPerEntry
    w.bytes[at + 3] = 1;  // bIndexType: index of chunks
    SetU32(w.bytes, at + 4, slot.entries);
    std::memcpy(&w.bytes[at + 8], Ckid(slot.stream, st.type).c_str(), 4);
    SetU32(w.bytes, at + 12, uint32_t(base));
    SetU32(w.bytes, at + 16, uint32_t(base >> 32));
    for (uint32_t e = 0; e < slot.entries; ++e) {
      size_t chunk = ofStream[slot.stream][taken[slot.stream]++];
      const ChunkLayout& c = clip.chunks[chunk];
      SetU32(w.bytes, at + 24 + 8 * e, uint32_t(chunkAt[chunk] + 8 - base));
      SetU32(w.bytes, at + 28 + 8 * e, c.size | (EntryKey(l, c) ? 0 : 0x80000000u));
    }
  }
  // And the super indexes.
  for (size_t s = 0; s < streams; ++s) {
    size_t at = b.superIndexes[s] + 8;
    w.bytes[at] = 4;  // wLongsPerEntry; bIndexType 0: index of indexes
    SetU32(w.bytes, at + 4, uint32_t(slotsOf[s].size()));
    std::memcpy(&w.bytes[at + 8], Ckid(int(s), clip.streams[s].type).c_str(), 4);
    for (size_t k = 0; k < slotsOf[s].size(); ++k) {
      size_t ix = b.standardIndexes[slotsOf[s][k]];
      size_t e = at + 24 + 16 * k;
      SetU32(w.bytes, e, uint32_t(ix));
      SetU32(w.bytes, e + 4, 0);
      SetU32(w.bytes, e + 8, GetU32(w.bytes, ix + 4) + 8);
      SetU32(w.bytes, e + 12, l.slots[slotsOf[s][k]].entries);
    }
  }
  b.bytes = std::move(w.bytes);
  return b;
}

// Each stream's chunks of each RIFF in one ix## at the end of that movi.
inline OdmlAviLayout PerRiffIndexes(const AviLayout& clip, std::vector<size_t> riffStarts, IxBase base) {
  OdmlAviLayout l;
  l.clip = clip;
  l.riffStarts = std::move(riffStarts);
  l.base = base;
  for (size_t r = 0; r <= l.riffStarts.size(); ++r) {
    size_t first = r == 0 ? 0 : l.riffStarts[r - 1];
    size_t end = r < l.riffStarts.size() ? l.riffStarts[r] : clip.chunks.size();
    for (size_t s = 0; s < clip.streams.size(); ++s) {
      uint32_t n = 0;
      for (size_t i = first; i < end; ++i) n += clip.chunks[i].stream == int(s);
      if (n) l.slots.push_back(IxSlot{int(s), kEndOfMovi, int(r), n, n});
    }
  }
  return l;
}

inline OdmlAviLayout FfmpegLike(const AviLayout& clip, std::vector<size_t> riffStarts) {
  return PerRiffIndexes(clip, std::move(riffStarts), IxBase::MoviOfRiff);
}

// Writes clip to path as ffmpeg lays out an OpenDML file (a RIFF AVIX from
// each of riffStarts on), then opens and analyses it as the jobs do: true
// when all went well and source reads it as OpenDML.
inline bool WriteAndOpenOdml(const std::string& path, const AviLayout& clip, std::vector<size_t> riffStarts,
                             AviSource& source, AviAnalysis& analysis) {
  return WriteFile(path, BuildOdml(FfmpegLike(clip, std::move(riffStarts))).bytes) && source.Open(path.c_str()) &&
         source.Analyse(analysis, nullptr, 0, 10) && source.IsOpenDml();
}

inline OdmlAviLayout AvimuxLike(const AviLayout& clip, std::vector<size_t> riffStarts) {
  OdmlAviLayout l = PerRiffIndexes(clip, std::move(riffStarts), IxBase::AvimuxRiff);
  l.idx1Absolute = true;
  l.audioKey = false;
  return l;
}

// Every ix## at the end of the last movi, perIndex entries each, so that one
// lists chunks of two RIFF lists.
inline OdmlAviLayout MencoderLike(const AviLayout& clip, std::vector<size_t> riffStarts, uint32_t perIndex) {
  OdmlAviLayout l;
  l.clip = clip;
  l.riffStarts = std::move(riffStarts);
  l.base = IxBase::FirstData;
  int last = int(l.riffStarts.size());
  for (size_t s = 0; s < clip.streams.size(); ++s) {
    uint32_t n = 0;
    for (const ChunkLayout& c : clip.chunks) n += c.stream == int(s);
    for (uint32_t done = 0; done < n; done += perIndex) {
      uint32_t e = n - done < perIndex ? n - done : perIndex;
      l.slots.push_back(IxSlot{int(s), kEndOfMovi, last, e, e});
    }
  }
  return l;
}

// Two preallocated ix## per stream in the first movi: at its start (the
// chunks before chunk mid) and before chunk mid (all the rest, the AVIX's
// too), each with room to spare.
inline OdmlAviLayout DvgrabLike(const AviLayout& clip, std::vector<size_t> riffStarts, size_t mid) {
  OdmlAviLayout l;
  l.clip = clip;
  l.riffStarts = std::move(riffStarts);
  l.base = IxBase::FirstHeader;
  l.junkEndsFirstRiff = true;
  l.strayIdx1Entry = true;
  for (size_t s = 0; s < clip.streams.size(); ++s) {
    uint32_t before = 0;
    for (size_t i = 0; i < mid; ++i) before += clip.chunks[i].stream == int(s);
    l.slots.push_back(IxSlot{int(s), 0, 0, before, before + 7});
  }
  for (size_t s = 0; s < clip.streams.size(); ++s) {
    uint32_t after = 0;
    for (size_t i = mid; i < clip.chunks.size(); ++i) after += clip.chunks[i].stream == int(s);
    l.slots.push_back(IxSlot{int(s), mid, 0, after, after + 3});
  }
  return l;
}

// The flattened version-1 file, made straight from what the builder placed:
// the header rebuilt without indx chunks and LIST odml (list sizes counted
// anew), avih dwTotalFrames the video chunk count, one movi with the chunks
// in file order, idx1 with offsets from "movi".
inline Bytes FlattenByRule(const BuiltOdml& b, uint32_t videoEntries) {
  const Bytes& src = b.bytes;
  std::function<Bytes(size_t, size_t)> rebuild = [&](size_t start, size_t end) {
    Bytes out;
    for (size_t p = start; p + 8 <= end;) {
      std::string code(src.begin() + p, src.begin() + p + 4);
      uint32_t size = GetU32(src, p + 4);
      size_t next = p + 8 + size + (size & 1);
      std::string type = size >= 4 ? std::string(src.begin() + p + 8, src.begin() + p + 12) : "";
      if (code == "indx" || (code == "LIST" && type == "odml")) {
        p = next;
        continue;
      }
      if (code == "LIST") {
        Bytes inner = rebuild(p + 12, p + 8 + size);
        PutCode(out, "LIST");
        PutU32(out, uint32_t(inner.size() + 4));
        PutCode(out, type.c_str());
        out.insert(out.end(), inner.begin(), inner.end());
      } else {
        out.insert(out.end(), src.begin() + p, src.begin() + next);
      }
      p = next;
    }
    return out;
  };
  Bytes header = rebuild(12, b.moviList);
  Bytes out;
  PutCode(out, "RIFF");
  PutU32(out, 0);
  PutCode(out, "AVI ");
  out.insert(out.end(), header.begin(), header.end());
  static const char kAvih[] = "avih";
  size_t avih = size_t(std::search(out.begin(), out.end(), kAvih, kAvih + 4) - out.begin());
  SetU32(out, avih + 24, videoEntries);
  PutCode(out, "LIST");
  size_t moviSize = out.size();
  PutU32(out, 0);
  size_t moviType = out.size();
  PutCode(out, "movi");
  Bytes idx;
  for (const PlacedChunk& c : b.chunks) {
    PutCode(idx, std::string(src.begin() + c.header, src.begin() + c.header + 4).c_str());
    PutU32(idx, c.key ? 0x10 : 0);
    PutU32(idx, uint32_t(out.size() - moviType));
    PutU32(idx, c.size);
    out.insert(out.end(), src.begin() + c.header, src.begin() + c.header + 8 + c.size + (c.size & 1));
  }
  SetU32(out, moviSize, uint32_t(out.size() - moviType));
  PutCode(out, "idx1");
  PutU32(out, uint32_t(idx.size()));
  out.insert(out.end(), idx.begin(), idx.end());
  SetU32(out, 4, uint32_t(out.size() - 8));
  return out;
}

// The version-1 file an OpenDML file stands for, as the reader's flat view
// reads it: the twin the jobs' results on the OpenDML file are held against.
// Empty when the reader refuses the file (then *why, if given, says why) or
// the view reads short.
inline Bytes Flattened(const Bytes& odml, std::string* why = nullptr) {
  ByteInput in;
  in.OpenMemory(odml.data(), odml.size());
  OdmlReader reader;
  if (!reader.Read(in, odml.size())) {
    if (why) *why = DescribeOdmlFault(reader.Facts().fault, 1);
    return {};
  }
  OdmlFlatView view(in, reader);
  ByteInput flat;
  flat.OpenSource(view);
  Bytes out(view.Size());
  flat.Seek(0);
  if (flat.Read(out.data(), out.size()) == out.size()) return out;
  if (why) *why = "the flat view read short";
  return {};
}

}  // namespace avitest
