// The exact cut's coder on FFmpeg (codec/exact_codec.h).
#include "codec/exact_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/key_frame_list.h"
#include "codec/decoding_state.h"
#include "codec/frame_decoder.h"
#include "codec/frame_encoder.h"
#include "codec/mpeg4_vol.h"
#include "codec/pictures_ahead.h"
#include "codec/video_codecs.h"
#include "codec/video_format.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace {

// A recording opened for decoding: the file, its analysis, its key frames
// and a decoder of its first video stream.
struct OpenedVideo {
  AviSource source;
  AviAnalysis analysis{};
  KeyFrameList keys;
  std::unique_ptr<FrameDecoder> decoder;

  // An output this program has just written (read from its own index).
  bool OpenWritten(const std::string& path, std::string* why) {
    if (!source.Open(path.c_str())) return *why = path + ": " + source.File().OpenError(), false;
    if (!source.AnalyseWritten(analysis)) return *why = path + ": its indexes cannot be read", false;
    if (ListKeyFrames(source, analysis, &keys) != FrameListProblem::None)
      return *why = path + ": its video frames cannot be listed", false;
    return OpenDecoder(why);
  }
  // A recording analysed before (its frames listed), opened again on a
  // handle of its own and not walked again. That it is still the file
  // analysed is the caller's to check (the cut: ByteInput::CheckStillNamed).
  bool OpenAnalysed(const std::string& path, const AviAnalysis& known, const KeyFrameList& listed, std::string* why) {
    if (!source.Reopen(path.c_str())) return *why = path + ": it cannot be opened again", false;
    analysis = known;
    keys = listed;
    return OpenDecoder(why);
  }
  bool OpenDecoder(std::string* why) {
    decoder.reset(new FrameDecoder(source, analysis, keys));
    if (decoder->Open() != DecodeStatus::Ok) return *why = decoder->Failure(), false;
    // FFmpeg's MPEG-4 decoder picks its workarounds (and IDCT) once, from
    // the writer's user data in the frames it has seen, else from the
    // FourCC (XVID: Xvid's). Writers put that user data in the first frame
    // only, so the decoder sees the first frame before any other, as a
    // player does from the start.
    if (keys.frames) Picture(0, why);
    return true;
  }
  // Frame n as the decoder made it; null with *why when it cannot be decoded.
  const AVFrame* Picture(uint32_t n, std::string* why) {
    ::Picture unused;
    if (decoder->Decode(n, PictureFormat::Native, &unused) != DecodeStatus::Ok) {
      *why = "frame " + std::to_string(n) + ": " + decoder->Failure();
      return nullptr;
    }
    return decoder->Shown();
  }
};

std::string CodecName(int id) {
  switch (id) {
    case AV_CODEC_ID_MPEG4: return "MPEG-4 Visual";
    case AV_CODEC_ID_MSMPEG4V3: return "MS-MPEG4 v3";
    case AV_CODEC_ID_MSMPEG4V2: return "MS-MPEG4 v2";
    case AV_CODEC_ID_MSMPEG4V1: return "MS-MPEG4 v1";
    case AV_CODEC_ID_H264: return "H.264";
    case AV_CODEC_ID_HEVC: return "H.265";
    case AV_CODEC_ID_MPEG2VIDEO: return "MPEG-2";
    case AV_CODEC_ID_MPEG1VIDEO: return "MPEG-1";
    default: break;
  }
  const AVCodecDescriptor* d = avcodec_descriptor_get(AVCodecID(id));
  return d ? d->name : "an unknown codec";
}

// Y-PSNR of two pictures of one size (8-bit luma planes).
double LumaPsnr(const AVFrame& a, const AVFrame& b) {
  uint64_t sum = 0;
  for (int y = 0; y < a.height; ++y) {
    const uint8_t* p = a.data[0] + ptrdiff_t(y) * a.linesize[0];
    const uint8_t* q = b.data[0] + ptrdiff_t(y) * b.linesize[0];
    // A row's sum fits 32 bits (16384 x 255^2 < 2^31), which compilers
    // turn into vector code.
    uint32_t row = 0;
    for (int x = 0; x < a.width; ++x) {
      const int d = int(p[x]) - int(q[x]);
      row += uint32_t(d * d);
    }
    sum += row;
  }
  if (sum == 0) return 99.0;
  const double mse = double(sum) / (double(a.width) * a.height);
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// Whether every plane of two pictures holds the same samples.
bool SamePicture(const AVFrame& a, const AVFrame& b) {
  if (a.width != b.width || a.height != b.height || a.format != b.format) return false;
  for (int p = 0; p < 3 && a.data[p]; ++p) {
    const int w = p ? (a.width + 1) / 2 : a.width, h = p ? (a.height + 1) / 2 : a.height;
    for (int y = 0; y < h; ++y)
      if (std::memcmp(a.data[p] + ptrdiff_t(y) * a.linesize[p], b.data[p] + ptrdiff_t(y) * b.linesize[p], size_t(w)))
        return false;
  }
  return true;
}

// Enough of a chunk for its first VOP's header (after a VOL and user data).
constexpr uint32_t kVopHeaderBytes = 512;
// A chunk read whole stops here (a picture is far smaller).
constexpr uint32_t kMaxChunkRead = 64u << 20;
// Chunks of pictures before B-frames or fillers read whole to find packing.
constexpr int kPackedChecks = 8;

// The quantiser of a frame whose source gives none (FFmpeg's scale: 1 finest, 31 coarsest).
constexpr int kQuantiserUnknown = 2;

// MS-MPEG4 v3's picture header: the picture type (2 bits), then its
// quantiser (5 bits).
int MsMpeg4Quant(const uint8_t* data, size_t size) { return size ? (data[0] >> 1) & 0x1F : 0; }

class FfmpegExactCoder : public ExactCoder {
 public:
  ExactStream Open(const std::string& path, const AviAnalysis& analysis, const KeyFrameList& keys) override {
    ExactStream s;
    std::string why;
    path_ = path;
    if (!source_.OpenAnalysed(path, analysis, keys, &why)) return s.why = why, s;
    VideoFormat format;
    ReadVideoFormat(source_.analysis, source_.source.Input(), &format);
    const StreamFormat& f = format.stream;
    const VideoCodecChoice choice = ChooseVideoCodec(f.compression, f.handler, f.bitCount, f.height);
    codecId_ = choice.codecId;
    s.codec = CodecName(codecId_);
    const AVCodecDescriptor* d = avcodec_descriptor_get(AVCodecID(codecId_));
    if (d && (d->props & AV_CODEC_PROP_INTRA_ONLY)) return s.cuttable = s.intraOnly = true, s;
    if (codecId_ != AV_CODEC_ID_MPEG4 && codecId_ != AV_CODEC_ID_MSMPEG4V3)
      return s.why = "exact cut of " + s.codec + " is not supported yet", s;
    settings_ = EncoderSettings{};
    settings_.codecId = codecId_;
    settings_.tag = f.compression;
    settings_.width = f.width;
    settings_.height = f.height < 0 ? -f.height : f.height;
    settings_.rate = f.rate;
    settings_.scale = f.scale;
    if (codecId_ == AV_CODEC_ID_MPEG4 && !ReadMpeg4Headers(format.extradata, &why)) return s.why = why, s;
    s.cuttable = cuttable_ = true;
    s.bFrames = bFrames_;
    s.packed = packed_;
    return s;
  }

  // The frames are made at the finest quantiser of the source's frames they
  // replace (read from their headers): no coarser than any of them, so at
  // least their quality, at about their bytes (same codec, same quantiser).
  // A frame under kExactMinPsnr has the group made again a step finer (the
  // bytes of an attempt not taken stay unused in out). Aiming at the
  // source's bytes instead made most groups twice, at twice the time.
  bool Reencode(uint32_t first, uint32_t end, uint32_t ckid, OutputStream& out, std::vector<SwappedChunk>* chunks,
                double* lowestPsnr, std::string* why) override {
    why->clear();
    const size_t before = chunks->size();
    const int finest = FinestQuantiser(first, end);
    for (int q = finest ? finest : kQuantiserUnknown;; q -= std::max(1, q / 3)) {
      chunks->resize(before);
      if (!EncodeGroup(first, end, q, ckid, out, chunks, lowestPsnr, why)) return false;
      if (q <= 1 || *lowestPsnr >= kExactMinPsnr) break;
    }
    if (*lowestPsnr < kExactMinPsnr)
      return *why = "a frame made anew is " + std::to_string(*lowestPsnr) + " dB from the source's", false;
    return true;
  }

  // The stream's facts are copied, the file opened again (not analysed again).
  std::unique_ptr<ExactCoder> Another() override {
    if (path_.empty() || !cuttable_) return nullptr;
    auto other = std::make_unique<FfmpegExactCoder>();
    std::string why;
    if (!other->source_.OpenAnalysed(path_, source_.analysis, source_.keys, &why)) return nullptr;
    other->path_ = path_;
    other->cuttable_ = cuttable_;
    other->codecId_ = codecId_;
    other->vol_ = vol_;
    other->bFrames_ = bFrames_;
    other->packed_ = packed_;
    other->timeResolution_ = timeResolution_;
    other->settings_ = settings_;
    other->userData_ = userData_;
    return other;
  }

  void Watch(ReencodeWatch* watch) override { watch_ = watch; }

  bool IsBFrame(uint32_t chunk) override {
    if (!bFrames_ || chunk >= source_.keys.frames) return false;
    std::vector<uint8_t> bytes;
    if (!ChunkBytes(chunk, packed_ ? kVopHeaderBytes : 64, &bytes)) return false;
    if (packed_) return FirstVopKind(bytes.data(), bytes.size(), timeResolution_) != VopKind::Picture;
    return HasBVop(bytes.data(), bytes.size());
  }

  uint32_t OwnFrameBytes(uint32_t chunk) override {
    std::vector<uint8_t> bytes;
    if (!ChunkBytes(chunk, kMaxChunkRead, &bytes)) return 0;
    return uint32_t(packed_ ? SecondVopAt(bytes.data(), bytes.size()) : bytes.size());
  }

  // Alone, the output's frames are decoded on a thread of their own while
  // this one decodes the source's (two cores: about half the time), a few
  // pictures ahead; beside another seam's check, on this thread too.
  bool CheckSeam(const std::string& output, const ExactSeam& seam, double* lowestPsnr, std::string* why) override {
    if (checkedPath_ != output) {
      checked_.reset(new OpenedVideo);
      checkedPath_.clear();
      if (!checked_->OpenWritten(output, why)) return false;
      checkedPath_ = output;
    }
    OpenedVideo& out = *checked_;
    *lowestPsnr = 99.0;
    const uint32_t count = seam.reencoded + seam.copied;
    std::unique_ptr<PicturesAhead> ahead;
    if (!seam.besideAnother)
      ahead.reset(new PicturesAhead([&out](uint32_t n, std::string* failure) { return out.Picture(n, failure); },
                                    seam.outFirst, count));
    for (uint32_t i = 0; i < count; ++i) {
      const AVFrame* source = source_.Picture(seam.srcFirst + i, why);
      if (!source) return false;
      AVFrame* aheadPicture = ahead ? ahead->Next(why) : nullptr;
      const AVFrame* kept = ahead ? aheadPicture : out.Picture(seam.outFirst + i, why);
      if (!kept) return *why = "the output's " + *why, false;
      const bool ok = SameAsSource(*kept, *source, seam.srcFirst + i, i < seam.reencoded, lowestPsnr, why);
      av_frame_free(&aheadPicture);
      if (!ok) return false;
      if (watch_ && !watch_->FrameMade()) return why->clear(), false;
    }
    return true;
  }

  void CheckEnded() override {
    checked_.reset();
    checkedPath_.clear();
  }

 private:
  // Whether the output's picture of source frame n is the source's: within
  // kExactMinPsnr when made anew (the lowest kept in *lowestPsnr), else identical.
  static bool SameAsSource(const AVFrame& made, const AVFrame& source, uint32_t n, bool madeAnew, double* lowestPsnr,
                           std::string* why) {
    if (!madeAnew) {
      if (SamePicture(made, source)) return true;
      return *why = "copied frame " + std::to_string(n) + " does not decode as in the source", false;
    }
    const double psnr = LumaPsnr(made, source);
    if (psnr < *lowestPsnr) *lowestPsnr = psnr;
    if (psnr >= kExactMinPsnr) return true;
    return *why = "re-encoded frame " + std::to_string(n) + " is " + std::to_string(psnr) + " dB from the source's", false;
  }

  // Frames first .. end - 1 encoded at quantiser q into out, their chunks
  // added to *chunks; *lowestPsnr the lowest Y-PSNR against the source's.
  bool EncodeGroup(uint32_t first, uint32_t end, int q, uint32_t ckid, OutputStream& out,
                   std::vector<SwappedChunk>* chunks, double* lowestPsnr, std::string* why) {
    EncoderSettings settings = settings_;
    settings.quantiser = q;
    FrameEncoder encoder;
    if (!encoder.Open(settings, why)) return false;
    const size_t before = chunks->size();
    *lowestPsnr = 99.0;
    // The first frame carries the source's user data wherever the encoder
    // gives it out (with B-frames a short head's key frame comes only at the
    // end): without it FFmpeg takes an XVID-tagged stream for an old Xvid's
    // and decodes every frame after the seam with Xvid's IDCT.
    const auto put = [&](std::vector<uint8_t> bytes, bool key) {
      if (chunks->size() == before && key) bytes = WithUserData(bytes);
      SwappedChunk c{out.Position(), uint32_t(bytes.size()), key ? kKeyFrameFlag : 0u};
      const uint32_t header[2] = {ckid, c.bytes};
      const uint8_t pad = 0;
      if (!out.Write(header, 8) || (!bytes.empty() && !out.Write(bytes.data(), bytes.size())) ||
          ((bytes.size() & 1) && !out.Write(&pad, 1)))
        return false;
      chunks->push_back(c);
      return true;
    };
    // The frames the encoder has ready, into out.
    const auto drain = [&] {
      std::vector<uint8_t> bytes;
      bool key = false;
      double psnr = 0;
      while (encoder.Receive(&bytes, &key, &psnr, why)) {
        if (!put(bytes, key)) return *why = "the re-encoded frames cannot be written", false;
        if (psnr < *lowestPsnr) *lowestPsnr = psnr;
      }
      return why->empty();
    };
    for (uint32_t n = first; n < end; ++n) {
      const AVFrame* picture = source_.Picture(n, why);
      if (!picture || !encoder.Send(*picture, n - first, why) || !drain()) return false;
      if (watch_ && !watch_->FrameMade()) return why->clear(), false;
    }
    // B-frames wait for the frame after them: the end gives them out.
    encoder.Finish();
    if (!drain()) return false;
    const size_t made = chunks->size() - before;
    if (made != end - first)
      return *why = "the encoder gave " + std::to_string(made) + " frames for " + std::to_string(end - first), false;
    return true;
  }

  // The finest quantiser the source's frames first .. end - 1 were coded
  // with (0: none read).
  int FinestQuantiser(uint32_t first, uint32_t end) {
    int finest = 0;
    FrameCursor cursor(source_.source, source_.analysis);
    const int key = source_.keys.KeyAtOrBefore(first);
    cursor.Start(key >= 0 ? source_.keys.keys[size_t(key)] : source_.keys.first);
    FrameEntry e;
    uint8_t head[512];  // a key frame's VOL and user data come before its VOP
    while (cursor.Next(&e) && e.frame < end) {
      if (e.frame < first) continue;
      const size_t got =
          source_.source.Input().ReadBulk(e.DataPosition(), head, std::min<uint32_t>(e.size, sizeof head));
      const int q = codecId_ == AV_CODEC_ID_MPEG4 ? Mpeg4VopQuant(vol_, head, got) : MsMpeg4Quant(head, got);
      if (q > 0 && (finest == 0 || q < finest)) finest = q;
    }
    return finest;
  }

  // The VOL (strf's extra bytes, else the first key frame's) and the user
  // data the encoder must match; false with *why for what it cannot.
  bool ReadMpeg4Headers(const std::vector<uint8_t>& extradata, std::string* why) {
    std::vector<uint8_t> first;
    if (!source_.keys.keys.empty()) {
      const FrameEntry& k = source_.keys.keys[0];
      first.resize(std::min<uint32_t>(k.size, 4096));
      first.resize(source_.source.Input().ReadBulk(k.DataPosition(), first.data(), first.size()));
    }
    Mpeg4Vol& vol = vol_;
    vol = ReadMpeg4Vol(extradata.data(), extradata.size());
    if (!vol.found) vol = ReadMpeg4Vol(first.data(), first.size());
    if (!vol.found) return *why = "the MPEG-4 Visual stream has no VOL header", false;
    if (!vol.unreadable.empty()) return *why = "exact cut of MPEG-4 Visual with " + vol.unreadable + " is not supported yet", false;
    userData_ = Mpeg4UserData(extradata.data(), extradata.size());
    const std::vector<uint8_t> inFrame = Mpeg4UserData(first.data(), first.size());
    userData_.insert(userData_.end(), inFrame.begin(), inFrame.end());
    timeResolution_ = vol.timeResolution;
    FindBFrames();
    // DivX 5 and Xvid's packed bitstream say so in their user data
    // ("DivX503b1393p"); others pack without a word.
    const std::string named(userData_.begin(), userData_.end());
    const size_t divx = named.find("DivX");
    if (bFrames_ && divx != std::string::npos && named.find('p', divx) != std::string::npos) packed_ = true;
    settings_.bFrames = bFrames_;
    // Packed: the frames made are one picture a chunk (no B-frame to pack).
    settings_.noBFrames = packed_;
    settings_.timeResolution = vol.timeResolution;
    settings_.interlaced = vol.interlaced;
    settings_.quarterPel = vol.quarterPel;
    settings_.mpegQuant = vol.mpegQuant;
    if (vol.intraMatrix) settings_.intra.assign(vol.intra, vol.intra + 64);
    if (vol.interMatrix) settings_.inter.assign(vol.inter, vol.inter + 64);
    Mpeg4PixelAspect(vol, &settings_.aspectNum, &settings_.aspectDen);
    return true;
  }

  // B-VOPs in the first frames (a few groups' worth), and whether they are
  // packed: a chunk of a picture followed by a B-frame or a filler chunk
  // holds a second VOP (a few such chunks are read whole).
  void FindBFrames() {
    FrameCursor cursor(source_.source, source_.analysis);
    cursor.Start(source_.keys.first);
    FrameEntry e, picture;
    bool afterPicture = false;
    int pairsRead = 0;
    std::vector<uint8_t> bytes;
    for (int n = 0; n < 600 && cursor.Next(&e); ++n) {
      if (!Read(e, kVopHeaderBytes, &bytes)) continue;
      const VopKind kind = FirstVopKind(bytes.data(), bytes.size(), timeResolution_);
      if (kind == VopKind::B || HasBVop(bytes.data(), std::min<size_t>(bytes.size(), 64))) bFrames_ = true;
      if (kind == VopKind::Picture) {
        picture = e;
        afterPicture = true;
        continue;
      }
      if (!afterPicture || pairsRead == kPackedChecks) continue;
      afterPicture = false;
      ++pairsRead;
      if (Read(picture, kMaxChunkRead, &bytes) && SecondVopAt(bytes.data(), bytes.size()) < bytes.size()) {
        bFrames_ = packed_ = true;
        return;
      }
    }
  }

  // Up to `most` bytes of an entry's chunk.
  bool Read(const FrameEntry& e, uint32_t most, std::vector<uint8_t>* bytes) {
    bytes->resize(std::min(e.size, most));
    bytes->resize(source_.source.Input().ReadBulk(e.DataPosition(), bytes->data(), bytes->size()));
    return bytes->size() == std::min(e.size, most);
  }

  // Up to `most` bytes of the source's chunk `chunk`.
  bool ChunkBytes(uint32_t chunk, uint32_t most, std::vector<uint8_t>* bytes) {
    if (chunk >= source_.keys.frames) return false;
    FrameCursor cursor(source_.source, source_.analysis);
    const int key = source_.keys.KeyAtOrBefore(chunk);
    cursor.Start(key >= 0 ? source_.keys.keys[size_t(key)] : source_.keys.first);
    FrameEntry e;
    while (cursor.Next(&e) && e.frame < chunk) {
    }
    return e.frame == chunk && Read(e, most, bytes);
  }

  // The encoder's first frame with the source's user data before its VOP:
  // a decoder picks its workarounds (and IDCT) for the writer it names, and
  // must keep those of the source for the frames copied after the seam.
  std::vector<uint8_t> WithUserData(const std::vector<uint8_t>& bytes) const {
    if (userData_.empty()) return bytes;
    for (size_t i = 0; i + 4 <= bytes.size(); ++i)
      if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && (bytes[i + 3] == 0xB3 || bytes[i + 3] == 0xB6)) {
        std::vector<uint8_t> out(bytes.begin(), bytes.begin() + ptrdiff_t(i));
        out.insert(out.end(), userData_.begin(), userData_.end());
        out.insert(out.end(), bytes.begin() + ptrdiff_t(i), bytes.end());
        return out;
      }
    return bytes;
  }

  std::string path_;
  bool cuttable_ = false;  // Open found frames it can make
  OpenedVideo source_;
  std::unique_ptr<OpenedVideo> checked_;  // the output CheckSeam reads, kept open until CheckEnded
  std::string checkedPath_;
  ReencodeWatch* watch_ = nullptr;
  int codecId_ = 0;
  Mpeg4Vol vol_;  // MPEG-4 Visual's, read by Open
  bool bFrames_ = false;
  bool packed_ = false;
  uint32_t timeResolution_ = 0;
  EncoderSettings settings_;
  std::vector<uint8_t> userData_;
};

}  // namespace

std::unique_ptr<ExactCoder> MakeExactCoder() { return std::make_unique<FfmpegExactCoder>(); }
