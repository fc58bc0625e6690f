#include "sound/avi_stream_sound.h"

#include <algorithm>
#include <vector>

#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "texts/sound_texts.h"

namespace {

class ChunkCursor : public SoundCursor {
 public:
  ChunkCursor(std::shared_ptr<ByteInput> input, const AviAnalysis& a, int stream, uint32_t sampleSize)
      : input_(std::move(input)), index_(*input_, a.idx1Offset, a.idx1EntryTotal), base_(a.chunkBase),
        stream_(stream), sampleSize_(sampleSize) {}
  bool Next(SoundPiece* piece) override {
    while (i_ < index_.Total()) {
      const IndexEntry e = index_.At(i_++);
      if (StreamOfCkid(e.ckid) != stream_ || e.length == 0) continue;
      piece->at = ChunkPosition(base_, e) + 8;
      piece->bytes = e.length;
      piece->units = sampleSize_ ? e.length / sampleSize_ : 1;
      return true;
    }
    return false;
  }
  bool Failed() const override { return bool(input_->Fault()); }

 private:
  std::shared_ptr<ByteInput> input_;
  IndexReader index_;
  uint64_t base_;
  int stream_;
  uint32_t sampleSize_;
  uint32_t i_ = 0;
};

class StreamSound : public SoundSource {
 public:
  StreamSound(std::shared_ptr<ByteInput> input, const AviAnalysis& a, int stream, const SoundFormat& format)
      : input_(std::move(input)), a_(a), stream_(stream), format_(format) {}
  const SoundFormat& Format() const override { return format_; }
  std::shared_ptr<ByteInput> Input() const override { return input_; }
  std::unique_ptr<SoundCursor> Begin() const override {
    return std::make_unique<ChunkCursor>(input_, a_, stream_, format_.sampleSize);
  }

 private:
  std::shared_ptr<ByteInput> input_;
  AviAnalysis a_;
  int stream_;
  SoundFormat format_;
};

}  // namespace

std::unique_ptr<SoundSource> OpenAviStreamSound(std::shared_ptr<ByteInput> input, const AviAnalysis& a, int stream,
                                                SoundRefusal* refusal) {
  const StreamEntry& st = a.streams[stream];
  const uint64_t strh = st.lengthOffset - 32;
  SoundFormat f;
  f.strh.resize(56);
  input->Seek(strh);
  input->Read(f.strh.data(), f.strh.size());
  const uint32_t strhBytes = input->U32At(strh - 4);
  const uint64_t strf = strh + strhBytes + (strhBytes & 1);
  const uint32_t strfBytes = input->U32At(strf + 4);
  if (input->U32At(strf) != kStrf || strfBytes < 16 || strfBytes > 65536 || input->U32At(strh) != kAuds) {
    refusal->kind = SoundRefusal::NotSound;
    refusal->english = Fill(texts::kStreamNotSound.english, {std::to_string(stream)});
    refusal->japanese = Fill(texts::kStreamNotSound.japanese, {std::to_string(stream)});
    return nullptr;
  }
  f.strf.resize(strfBytes);
  input->Seek(strf + 8);
  input->Read(f.strf.data(), f.strf.size());
  f.formatTag = uint16_t(f.strf[0] | f.strf[1] << 8);
  f.channels = uint16_t(f.strf[2] | f.strf[3] << 8);
  f.sampleRate = uint32_t(f.strf[4] | f.strf[5] << 8 | f.strf[6] << 16 | uint32_t(f.strf[7]) << 24);
  f.blockAlign = uint16_t(f.strf[12] | f.strf[13] << 8);
  f.scale = input->U32At(strh + 20);
  f.rate = input->U32At(strh + 24);
  f.sampleSize = input->U32At(strh + 44);
  f.pcm = (f.formatTag == 1 || f.formatTag == 3 || f.formatTag == 0xFFFE) && f.blockAlign != 0 &&
          f.sampleSize == f.blockAlign && f.sampleRate != 0;
  if (f.scale == 0 || f.rate == 0) {
    refusal->kind = SoundRefusal::Unstatable;
    refusal->english = Fill(texts::kStreamNoRate.english, {std::to_string(stream)});
    refusal->japanese = Fill(texts::kStreamNoRate.japanese, {std::to_string(stream)});
    return nullptr;
  }
  f.kind = f.pcm ? "PCM" : "format tag " + std::to_string(f.formatTag);
  StreamSound sound(input, a, stream, f);
  auto cursor = sound.Begin();
  SoundPiece p;
  while (cursor->Next(&p)) f.units += p.units, f.pieces++;
  if (f.pieces == 0) {
    refusal->kind = SoundRefusal::Empty;
    refusal->english = Fill(texts::kStreamNoSound.english, {std::to_string(stream)});
    refusal->japanese = Fill(texts::kStreamNoSound.japanese, {std::to_string(stream)});
    return nullptr;
  }
  return std::make_unique<StreamSound>(input, a, stream, f);
}
