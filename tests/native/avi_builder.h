// Builds small AVI files in memory for tests: the layouts real muxers write,
// and the odd ones they don't (rec lists, absolute index offsets, indx, odd sizes).
#pragma once
#include <cstdint>
#include <functional>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace avitest {

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
inline void PutCode(Bytes& b, const char* code) { b.insert(b.end(), code, code + 4); }
inline uint32_t GetU32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) |
         (uint32_t(b[at + 3]) << 24);
}
inline void SetU32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// Appends chunks and lists; lists are closed by patching their size.
struct RiffWriter {
  Bytes bytes;
  size_t BeginList(const char* code, const char* type) {
    PutCode(bytes, code);
    size_t sizeAt = bytes.size();
    PutU32(bytes, 0);
    PutCode(bytes, type);
    return sizeAt;
  }
  void EndList(size_t sizeAt) { SetU32(bytes, sizeAt, uint32_t(bytes.size() - sizeAt - 4)); }
  // Returns the position of the chunk header.
  size_t Chunk(const char* code, const Bytes& data, bool pad = true) {
    size_t at = bytes.size();
    PutCode(bytes, code);
    PutU32(bytes, uint32_t(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    if (pad && (data.size() & 1)) bytes.push_back(0);
    return at;
  }
  void Byte(uint8_t b) { bytes.push_back(b); }
};

struct StreamLayout {
  std::string type = "vids";  // fccType
  std::string handler = "DIB ";
  uint32_t scale = 1;
  uint32_t rate = 25;
  uint32_t length = 0;  // 0: counted from the chunks
  uint32_t suggestedBufferSize = 0;
  uint32_t sampleSize = 0;  // audio: block align (e.g. 4 for 16-bit stereo PCM)
  uint16_t channels = 2;    // audio format
  uint32_t samplesPerSec = 44100;
  uint16_t bitsPerSample = 16;
};

struct ChunkLayout {
  int stream;
  uint32_t size;
  bool key = true;
  uint8_t fill = 0;      // data byte pattern: fill + i
  bool sameBytes = false;  // every byte = fill (for identical frames)
  uint32_t junkBefore = 0;  // >0: a JUNK chunk of this many bytes, in no index, before this one
  uint8_t padByte = 0;      // the pad byte after odd data (muxers write 0)
};

struct AviLayout {
  uint32_t microSecPerFrame = 40000;
  std::vector<StreamLayout> streams;
  std::vector<ChunkLayout> chunks;  // movi order
  int chunksPerRec = 0;           // >0: group chunks into "rec " lists with idx1 entries for them
  bool absoluteOffsets = false;   // idx1 dwChunkOffset from the start of the file
  bool indx = false;              // an OpenDML super index chunk in the first strl
  bool writeIndex = true;
  std::string junkAfterHeader;    // optional JUNK chunk data before movi
};

inline std::string Ckid(int stream, const std::string& type) {
  std::string id = "0";
  id += char('0' + stream);
  id += type == "auds" ? "wb" : "dc";
  return id;
}

inline Bytes ChunkData(const ChunkLayout& c) {
  Bytes d(c.size);
  for (uint32_t i = 0; i < c.size; ++i) d[i] = c.sameBytes ? c.fill : uint8_t(c.fill + i);
  return d;
}

inline size_t Size(const RiffWriter& w) { return w.bytes.size(); }

// The same back-patched writing straight into a file, for files too large
// to build in memory (the Windows tests' long copies).
struct FileRiffWriter {
  std::FILE* file;
  bool ok = true;
  size_t size = 0;
  void Put(const void* data, size_t n) {
    ok &= std::fwrite(data, 1, n, file) == n;
    size += n;
  }
  void PutU32At(size_t at, uint32_t v) {
    Bytes b;
    PutU32(b, v);
    ok &= std::fseek(file, long(at), SEEK_SET) == 0;
    ok &= std::fwrite(b.data(), 1, 4, file) == 4;
    ok &= std::fseek(file, 0, SEEK_END) == 0;
  }
  size_t BeginList(const char* code, const char* type) {
    Put(code, 4);
    size_t sizeAt = size;
    Put("\0\0\0\0", 4);
    Put(type, 4);
    return sizeAt;
  }
  void EndList(size_t sizeAt) { PutU32At(sizeAt, uint32_t(size - sizeAt - 4)); }
  size_t Chunk(const char* code, const Bytes& data, bool pad = true) {
    size_t at = size;
    Bytes header;
    PutCode(header, code);
    PutU32(header, uint32_t(data.size()));
    Put(header.data(), header.size());
    Put(data.data(), data.size());
    if (pad && (data.size() & 1)) Put("", 1);
    return at;
  }
  void Byte(uint8_t b) { Put(&b, 1); }
};
inline size_t Size(const FileRiffWriter& w) { return w.size; }

// Frames of the video streams, or of the first count chunks.
inline uint32_t VideoChunks(const AviLayout& layout, size_t count = size_t(-1)) {
  uint32_t frames = 0;
  for (size_t i = 0; i < layout.chunks.size() && i < count; ++i)
    if (layout.streams[layout.chunks[i].stream].type == "vids") frames++;
  return frames;
}

// The hdrl list: avih with totalFrames, a strl per stream; strlTail and
// hdrlTail append chunks at the end of each (OpenDML indexes).
template <class Writer>
void WriteHeaderList(Writer& w, const AviLayout& layout, uint32_t totalFrames,
                     const std::function<void(size_t stream)>& strlTail = nullptr,
                     const std::function<void()>& hdrlTail = nullptr) {
  size_t hdrl = w.BeginList("LIST", "hdrl");
  Bytes avih;
  PutU32(avih, layout.microSecPerFrame);
  PutU32(avih, 0);
  PutU32(avih, 0);
  PutU32(avih, 0x10);
  PutU32(avih, totalFrames);
  PutU32(avih, 0);
  PutU32(avih, uint32_t(layout.streams.size()));
  PutU32(avih, 0);
  PutU32(avih, 160);
  PutU32(avih, 120);
  for (int i = 0; i < 4; ++i) PutU32(avih, 0);
  w.Chunk("avih", avih);
  for (size_t s = 0; s < layout.streams.size(); ++s) {
    const StreamLayout& st = layout.streams[s];
    uint32_t length = st.length;
    if (length == 0) {
      for (const ChunkLayout& c : layout.chunks)
        if (size_t(c.stream) == s) length += st.sampleSize ? c.size / st.sampleSize : 1;
    }
    size_t strl = w.BeginList("LIST", "strl");
    Bytes strh;
    PutCode(strh, st.type.c_str());
    PutCode(strh, st.handler.c_str());
    PutU32(strh, 0);
    PutU32(strh, 0);
    PutU32(strh, 0);
    PutU32(strh, st.scale);
    PutU32(strh, st.rate);
    PutU32(strh, 0);
    PutU32(strh, length);
    PutU32(strh, st.suggestedBufferSize);
    PutU32(strh, 0xFFFFFFFF);
    PutU32(strh, st.sampleSize);
    for (int i = 0; i < 4; ++i) PutU16(strh, 0);
    w.Chunk("strh", strh);
    Bytes strf;
    if (st.type == "auds") {
      PutU16(strf, 1);
      PutU16(strf, st.channels);
      PutU32(strf, st.samplesPerSec);
      PutU32(strf, st.samplesPerSec * st.sampleSize);
      PutU16(strf, st.sampleSize);
      PutU16(strf, st.bitsPerSample);
      PutU16(strf, 0);
    } else {
      PutU32(strf, 40);
      PutU32(strf, 160);
      PutU32(strf, 120);
      PutU16(strf, 1);
      PutU16(strf, 24);
      for (int i = 0; i < 6; ++i) PutU32(strf, 0);
    }
    w.Chunk("strf", strf);
    if (strlTail) strlTail(s);
    w.EndList(strl);
  }
  if (hdrlTail) hdrlTail();
  w.EndList(hdrl);
}

// Writes the whole file through w (RiffWriter or FileRiffWriter).
template <class Writer>
void WriteAvi(Writer& w, const AviLayout& layout) {
  size_t riff = w.BeginList("RIFF", "AVI ");
  WriteHeaderList(w, layout, VideoChunks(layout), [&](size_t s) {
    if (layout.indx && s == 0) w.Chunk("indx", Bytes(24, 0));
  });
  if (!layout.junkAfterHeader.empty())
    w.Chunk("JUNK", Bytes(layout.junkAfterHeader.begin(), layout.junkAfterHeader.end()));

  struct Entry {
    std::string ckid;
    uint32_t flags, offset, length;
  };
  std::vector<Entry> entries;
  size_t movi = w.BeginList("LIST", "movi");
  size_t moviType = movi + 4;  // position of "movi"
  auto offsetOf = [&](size_t at) {
    return uint32_t(layout.absoluteOffsets ? at : at - moviType);
  };
  size_t rec = 0;
  int inRec = 0;
  for (size_t i = 0; i < layout.chunks.size(); ++i) {
    const ChunkLayout& c = layout.chunks[i];
    if (layout.chunksPerRec > 0 && inRec == 0) {
      rec = w.BeginList("LIST", "rec ");
      entries.push_back({"rec ", 0, offsetOf(rec - 4), 0});
    }
    const StreamLayout& st = layout.streams[c.stream];
    std::string id = Ckid(c.stream, st.type);
    if (c.junkBefore) w.Chunk("JUNK", Bytes(c.junkBefore, 0x4A));
    size_t at = w.Chunk(id.c_str(), ChunkData(c), false);
    if (c.size & 1) w.Byte(c.padByte);
    uint32_t flags = (st.type != "vids" || c.key) ? 0x10u : 0u;
    entries.push_back({id, flags, offsetOf(at), c.size});
    if (layout.chunksPerRec > 0 && (++inRec == layout.chunksPerRec || i + 1 == layout.chunks.size())) {
      w.EndList(rec);
      // The rec entry's length covers the list's data.
      for (Entry& e : entries)
        if (e.ckid == "rec " && e.offset == offsetOf(rec - 4)) e.length = uint32_t(Size(w) - rec - 4);
      inRec = 0;
    }
  }
  w.EndList(movi);
  if (layout.writeIndex) {
    Bytes idx;
    for (const Entry& e : entries) {
      PutCode(idx, e.ckid.c_str());
      PutU32(idx, e.flags);
      PutU32(idx, e.offset);
      PutU32(idx, e.length);
    }
    w.Chunk("idx1", idx);
  }
  w.EndList(riff);
}

// Builds the whole file in memory; positions of interesting fields can be found with info.
inline Bytes BuildAvi(const AviLayout& layout) {
  RiffWriter w;
  WriteAvi(w, layout);
  return w.bytes;
}

inline bool WriteAviFile(const std::string& path, const AviLayout& layout) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  FileRiffWriter w{f};
  WriteAvi(w, layout);
  return std::fclose(f) == 0 && w.ok;
}

// A typical clip: video at 25 fps with a key frame every gop frames and
// 16-bit stereo PCM audio, one audio chunk per frame of audioBytesPerFrame.
inline AviLayout SimpleClip(int frames, int gop = 12, uint32_t audioBytesPerFrame = 1764) {
  AviLayout layout;
  StreamLayout video;
  video.suggestedBufferSize = 4096;
  StreamLayout audio;
  audio.type = "auds";
  audio.handler = std::string("\0\0\0\0", 4);
  audio.scale = 1;
  audio.rate = 44100;
  audio.sampleSize = 4;
  audio.suggestedBufferSize = audioBytesPerFrame * 2;
  layout.streams = {video, audio};
  for (int f = 0; f < frames; ++f) {
    layout.chunks.push_back({0, uint32_t(500 + (f * 37) % 300), f % gop == 0, uint8_t(f)});
    if (audioBytesPerFrame) layout.chunks.push_back({1, audioBytesPerFrame, true, uint8_t(f * 3)});
  }
  return layout;
}

// One video stream of frames equal chunks of frameBytes at 25 frames a
// second, a key frame every 25: large files that take a while to copy.
inline AviLayout LargeClip(uint32_t frames, uint32_t frameBytes) {
  AviLayout layout;
  StreamLayout video;
  video.handler = "MJPG";
  video.suggestedBufferSize = frameBytes;
  layout.streams = {video};
  for (uint32_t f = 0; f < frames; ++f) layout.chunks.push_back({0, frameBytes, f % 25 == 0, 0x5A, true});
  return layout;
}

inline bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace avitest
