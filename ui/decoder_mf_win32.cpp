// Media Foundation's decoders (Windows 7 on: H.264, MPEG-4 part 2, MJPEG,
// DV; under Wine H.264 through GStreamer), found with MFTEnumEx by the
// format's four-character code. mfplat.dll is loaded when first needed, so
// the program still starts where Windows has no Media Foundation (XP, the N
// editions).
//
// A run feeds the frames from the key frame with their times; the picture
// kept is the output whose time is the frame's (a decoder with B-frames
// gives its pictures in display order, and may give one only after more
// frames or when drained). Each run starts with the decoder made anew.
// Outputs come as RGB32
// or a YUV layout; they are repacked without row padding and drawn as
// uncompressed frames are (ConvertDib).
#include <windows.h>

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mftransform.h>

#include <cctype>
#include <cstring>

#include "avi/little_endian.h"
#include "ui/frame_decoder.h"

namespace {

// The calls of mfplat.dll, found at run time.
struct MfPlat {
  HMODULE module = nullptr;
  HRESULT(WINAPI* startup)(ULONG, DWORD) = nullptr;
  HRESULT(WINAPI* shutdown)() = nullptr;
  HRESULT(WINAPI* enumEx)(GUID, UINT32, const MFT_REGISTER_TYPE_INFO*, const MFT_REGISTER_TYPE_INFO*, IMFActivate***,
                          UINT32*) = nullptr;
  HRESULT(WINAPI* createMediaType)(IMFMediaType**) = nullptr;
  HRESULT(WINAPI* createSample)(IMFSample**) = nullptr;
  HRESULT(WINAPI* createMemoryBuffer)(DWORD, IMFMediaBuffer**) = nullptr;

  template <class Entry>
  static void Find(HMODULE m, const char* name, Entry* entry) {
    *entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(m, name)));
  }

  bool Load() {
    if (module) return true;
    HMODULE m = LoadLibraryW(L"mfplat.dll");
    if (!m) return false;
    Find(m, "MFStartup", &startup);
    Find(m, "MFShutdown", &shutdown);
    Find(m, "MFTEnumEx", &enumEx);
    Find(m, "MFCreateMediaType", &createMediaType);
    Find(m, "MFCreateSample", &createSample);
    Find(m, "MFCreateMemoryBuffer", &createMemoryBuffer);
    if (!startup || !shutdown || !enumEx || !createMediaType || !createSample || !createMemoryBuffer) {
      FreeLibrary(m);
      return false;
    }
    module = m;
    return true;
  }
};

MfPlat& Plat() {
  static MfPlat plat;
  return plat;
}

constexpr ULONG kMfVersion = 0x00020070;  // MF_VERSION of Windows 7

template <class T>
void Release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// The subtype GUID of a four-character code (MFVideoFormat_H264 is 'H264').
GUID SubtypeOf(uint32_t code) {
  GUID g = {code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  return g;
}

uint32_t Upper(uint32_t code) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) out |= uint32_t(std::toupper(uint8_t(code >> (8 * i)))) << (8 * i);
  return out;
}

constexpr uint32_t Code(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

// The subtypes to ask for: the code as stored, upper-cased, and the
// standard name of its family (AVI writers use many codes for one format).
std::vector<GUID> Subtypes(const StreamFormat& f) {
  std::vector<uint32_t> codes;
  for (uint32_t c : {f.compression, f.handler})
    if (c) codes.push_back(c), codes.push_back(Upper(c));
  const uint32_t c = Upper(f.Codec());
  if (c == Code("X264") || c == Code("AVC1") || c == Code("DAVC") || c == Code("VSSH")) codes.push_back(Code("H264"));
  if (c == Code("XVID") || c == Code("DIVX") || c == Code("DX50") || c == Code("FMP4") || c == Code("MP4V"))
    codes.push_back(Code("MP4V")), codes.push_back(Code("M4S2"));
  if (c == Code("AVRN") || c == Code("JPEG")) codes.push_back(Code("MJPG"));
  if (c == Code("DV25") || c == Code("CDVC")) codes.push_back(Code("dvsd"));
  std::vector<GUID> out;
  for (uint32_t code : codes) {
    const GUID g = SubtypeOf(code);
    bool seen = false;
    for (const GUID& o : out) seen = seen || IsEqualGUID(o, g);
    if (!seen) out.push_back(g);
  }
  return out;
}

// How much the preview likes an output subtype (lower is better; -1: not at all).
int OutputRank(const GUID& subtype) {
  const GUID liked[] = {MFVideoFormat_RGB32, MFVideoFormat_NV12, MFVideoFormat_YV12, MFVideoFormat_I420,
                        MFVideoFormat_IYUV,  MFVideoFormat_YUY2, MFVideoFormat_UYVY};
  for (int i = 0; i < int(sizeof liked / sizeof liked[0]); ++i)
    if (IsEqualGUID(subtype, liked[i])) return i;
  return -1;
}

std::string Utf8(const wchar_t* text) {
  char out[512] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out - 1, nullptr, nullptr);
  return out;
}

IMFMediaType* InputType(const VideoFormat& format, const GUID& subtype);

class MediaFoundationDecoder : public FrameDecoder {
 public:
  MediaFoundationDecoder(IMFActivate* activate, const VideoFormat& format, const GUID& subtype, uint32_t frameMicros)
      : activate_(activate),
        format_(format),
        inputSubtype_(subtype),
        frameMicros_(frameMicros),
        streamWidth_(format.stream.width),
        streamHeight_(format.stream.height < 0 ? -format.stream.height : format.stream.height) {
    activate_->AddRef();
    Plat().startup(kMfVersion, MFSTARTUP_NOSOCKET);  // the decoder's own reference, ended with it
    for (int i = 0; i < 4; ++i) name_ += char(uint8_t(subtype.Data1 >> (8 * i)));
    name_ += " decoder";  // Wine's decoders have no friendly name
    wchar_t* friendly = nullptr;
    UINT32 length = 0;
    if (SUCCEEDED(activate_->GetAllocatedString(MFT_FRIENDLY_NAME_Attribute, &friendly, &length))) {
      name_ = Utf8(friendly);
      CoTaskMemFree(friendly);
    }
  }
  ~MediaFoundationDecoder() override {
    Release(held_);
    Release(transform_);
    activate_->ShutdownObject();
    activate_->Release();
    Plat().shutdown();
  }
  std::string Name() const override { return "Media Foundation: " + name_; }
  bool Continues() const override { return false; }

  // Makes the decoder anew: it takes the format and gives an output the
  // preview likes. Each run starts so, not from a flushed decoder: Wine's
  // H.264 decoder keeps pictures and times of before a flush.
  bool Start() {
    Release(held_);
    if (transform_) {
      Release(transform_);
      activate_->ShutdownObject();
    }
    if (FAILED(activate_->ActivateObject(IID_IMFTransform, reinterpret_cast<void**>(&transform_)))) {
      transform_ = nullptr;
      return false;
    }
    IMFMediaType* input = InputType(format_, inputSubtype_);
    const bool taken = input && SUCCEEDED(transform_->SetInputType(0, input, 0));
    Release(input);
    if (!taken || !ChooseOutput()) {
      Release(transform_);
      return false;
    }
    transform_->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0);
    transform_->ProcessMessage(MFT_MESSAGE_NOTIFY_START_OF_STREAM, 0);
    return true;
  }

  void Restart() override { Start(); }

  void Aim(uint32_t frame) override {
    if (TimeOf(frame) != target_) Release(held_);
    target_ = TimeOf(frame);
  }

  bool Feed(const uint8_t* data, size_t size, bool key, uint32_t frame) override {
    if (!transform_) return false;
    if (size == 0) return true;
    lastInput_.assign(data, data + size);
    lastFrame_ = frame;
    IMFSample* sample = nullptr;
    IMFMediaBuffer* buffer = nullptr;
    bool ok = SUCCEEDED(Plat().createSample(&sample)) && SUCCEEDED(Plat().createMemoryBuffer(DWORD(size), &buffer));
    BYTE* bytes = nullptr;
    if (ok && SUCCEEDED(buffer->Lock(&bytes, nullptr, nullptr))) {
      std::memcpy(bytes, data, size);
      buffer->Unlock();
      buffer->SetCurrentLength(DWORD(size));
      sample->AddBuffer(buffer);
      sample->SetSampleTime(TimeOf(frame));
      sample->SetSampleDuration(LONGLONG(frameMicros_) * 10);
      if (key) sample->SetUINT32(MFSampleExtension_CleanPoint, 1);
      HRESULT hr = transform_->ProcessInput(0, sample, 0);
      if (hr == MF_E_NOTACCEPTING) {
        Pull();
        hr = transform_->ProcessInput(0, sample, 0);
      }
      ok = SUCCEEDED(hr) && Pull();
    } else {
      ok = false;
    }
    Release(buffer);
    Release(sample);
    return ok;
  }

  bool Finish(uint32_t frame, Picture* out, bool last) override {
    if (!transform_) return false;
    Aim(frame);
    if (!held_ && last) {
      transform_->ProcessMessage(MFT_MESSAGE_COMMAND_DRAIN, 0);
      Pull();
    }
    // Wine's H.264 decoder gives nothing when drained and keeps the last
    // frame's picture until another frame comes: the last frame once more
    // (after the file's end, never shown itself) pushes it out.
    if (!held_ && last && !lastInput_.empty()) {
      const std::vector<uint8_t> again = lastInput_;
      Feed(again.data(), again.size(), false, lastFrame_ + 1);
    }
    return held_ && Convert(held_, out);
  }

  // Chooses the output type the preview likes best; false when none fits.
  bool ChooseOutput() {
    IMFMediaType* best = nullptr;
    int bestRank = -1;
    for (DWORD i = 0;; ++i) {
      IMFMediaType* type = nullptr;
      if (FAILED(transform_->GetOutputAvailableType(0, i, &type))) break;
      GUID subtype = {};
      const int rank = SUCCEEDED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) ? OutputRank(subtype) : -1;
      if (rank >= 0 && (bestRank < 0 || rank < bestRank)) {
        Release(best);
        best = type;
        bestRank = rank;
      } else {
        type->Release();
      }
    }
    const bool ok = best && SUCCEEDED(transform_->SetOutputType(0, best, 0));
    if (ok) ReadOutputType(best);
    Release(best);
    return ok;
  }

 private:
  LONGLONG TimeOf(uint32_t frame) const { return LONGLONG(frame) * LONGLONG(frameMicros_) * 10; }

  void ReadOutputType(IMFMediaType* type) {
    type->GetGUID(MF_MT_SUBTYPE, &subtype_);
    UINT64 size = 0;
    type->GetUINT64(MF_MT_FRAME_SIZE, &size);
    bufferWidth_ = int(size >> 32);
    bufferHeight_ = int(size & 0xFFFFFFFF);
    // The picture without the rows and columns a decoder adds to fill its
    // blocks (Wine's H.264 decoder gives 160x128 for 160x120 and no aperture).
    width_ = streamWidth_ > 0 && streamWidth_ < bufferWidth_ ? streamWidth_ : bufferWidth_;
    height_ = streamHeight_ > 0 && streamHeight_ < bufferHeight_ ? streamHeight_ : bufferHeight_;
    MFVideoArea area = {};
    UINT32 got = 0;
    if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area), sizeof area, &got)) &&
        got == sizeof area && area.Area.cx > 0 && area.Area.cy > 0 && area.Area.cx <= bufferWidth_ &&
        area.Area.cy <= bufferHeight_) {
      width_ = int(area.Area.cx);
      height_ = int(area.Area.cy);
    }
    UINT32 stride = 0;
    stride_ = SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) ? int(INT32(stride)) : 0;
    MFT_OUTPUT_STREAM_INFO info = {};
    transform_->GetOutputStreamInfo(0, &info);
    providesSamples_ = (info.dwFlags & (MFT_OUTPUT_STREAM_PROVIDES_SAMPLES | MFT_OUTPUT_STREAM_CAN_PROVIDE_SAMPLES)) != 0;
    outputBytes_ = info.cbSize;
  }

  // Takes every output the decoder has ready; keeps the one of the frame
  // aimed at (by its time, which decoders carry from input to output).
  // False on a decoder failure.
  bool Pull() {
    for (;;) {
      MFT_OUTPUT_DATA_BUFFER output = {};
      IMFSample* own = nullptr;
      if (!providesSamples_) {
        IMFMediaBuffer* buffer = nullptr;
        if (FAILED(Plat().createSample(&own)) || FAILED(Plat().createMemoryBuffer(outputBytes_ ? outputBytes_ : 1, &buffer))) {
          Release(own);
          return false;
        }
        own->AddBuffer(buffer);
        buffer->Release();
        output.pSample = own;
      }
      DWORD status = 0;
      const HRESULT hr = transform_->ProcessOutput(0, 1, &output, &status);
      if (output.pEvents) output.pEvents->Release();
      if (hr == MF_E_TRANSFORM_NEED_MORE_INPUT) {
        Release(own);
        return true;
      }
      if (hr == MF_E_TRANSFORM_STREAM_CHANGE) {
        Release(own);
        if (!ChooseOutput()) return false;
        continue;
      }
      if (FAILED(hr)) {
        Release(own);
        return false;
      }
      IMFSample* got = output.pSample;
      LONGLONG time = -1;
      if (got && FAILED(got->GetSampleTime(&time))) time = -1;
      if (got && time == target_) {
        got->AddRef();
        Release(held_);
        held_ = got;
      }
      if (got && got != own) got->Release();
      Release(own);
    }
  }

  // The held output as a picture, repacked without row padding.
  bool Convert(IMFSample* sample, Picture* out) {
    IMFMediaBuffer* buffer = nullptr;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer))) return false;
    BYTE* bytes = nullptr;
    DWORD length = 0;
    bool ok = false;
    if (SUCCEEDED(buffer->Lock(&bytes, nullptr, &length))) {
      ok = Repack(bytes, length, out);
      buffer->Unlock();
    }
    buffer->Release();
    return ok;
  }

  bool Repack(const BYTE* bytes, DWORD length, Picture* out) {
    const bool rgb = IsEqualGUID(subtype_, MFVideoFormat_RGB32);
    const bool packed = IsEqualGUID(subtype_, MFVideoFormat_YUY2) || IsEqualGUID(subtype_, MFVideoFormat_UYVY);
    const int pixelBytes = rgb ? 4 : packed ? 2 : 1;
    const int pitch = stride_ ? (stride_ < 0 ? -stride_ : stride_) : bufferWidth_ * pixelBytes;
    const size_t rowBytes = size_t(width_) * pixelBytes;
    std::vector<uint8_t> tight;
    auto copyPlane = [&](size_t at, int plainPitch, size_t row, int rows) {
      for (int y = 0; y < rows; ++y) {
        const size_t from = at + size_t(y) * size_t(plainPitch);
        if (from + row > length) return false;
        tight.insert(tight.end(), bytes + from, bytes + from + row);
      }
      return true;
    };
    bool ok = copyPlane(0, pitch, rowBytes, height_);
    const size_t lumaPlane = size_t(pitch) * size_t(bufferHeight_);
    const int chromaRows = (height_ + 1) / 2;
    if (ok && IsEqualGUID(subtype_, MFVideoFormat_NV12))
      ok = copyPlane(lumaPlane, pitch, size_t((width_ + 1) / 2) * 2, chromaRows);
    if (ok && !rgb && !packed && !IsEqualGUID(subtype_, MFVideoFormat_NV12)) {
      const size_t chromaPlane = size_t(pitch / 2) * size_t((bufferHeight_ + 1) / 2);
      ok = copyPlane(lumaPlane, pitch / 2, size_t((width_ + 1) / 2), chromaRows) &&
           copyPlane(lumaPlane + chromaPlane, pitch / 2, size_t((width_ + 1) / 2), chromaRows);
    }
    if (!ok) return false;
    uint8_t header[40] = {};
    PutLeU32(header, 40);
    PutLeU32(header + 4, uint32_t(width_));
    // RGB32 with a positive stride runs top down: a negative height says so.
    PutLeU32(header + 8, uint32_t(rgb && stride_ >= 0 ? -height_ : height_));
    header[12] = 1;
    header[14] = uint8_t(rgb ? 32 : packed ? 16 : 12);
    PutLeU32(header + 16, rgb ? BI_RGB : subtype_.Data1);
    return ConvertDib(header, sizeof header, tight.data(), tight.size(), out);
  }

  IMFActivate* activate_;
  VideoFormat format_;
  GUID inputSubtype_;
  IMFTransform* transform_ = nullptr;
  std::string name_;
  uint32_t frameMicros_;
  GUID subtype_ = {};
  int bufferWidth_ = 0, bufferHeight_ = 0, width_ = 0, height_ = 0, stride_ = 0;
  bool providesSamples_ = false;
  DWORD outputBytes_ = 0;
  int streamWidth_, streamHeight_;
  IMFSample* held_ = nullptr;  // the output of the frame aimed at
  std::vector<uint8_t> lastInput_;  // the last frame fed, and its number
  uint32_t lastFrame_ = 0;
  LONGLONG target_ = -1;
};

IMFMediaType* InputType(const VideoFormat& format, const GUID& subtype) {
  IMFMediaType* type = nullptr;
  if (FAILED(Plat().createMediaType(&type))) return nullptr;
  const StreamFormat& f = format.stream;
  type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  type->SetGUID(MF_MT_SUBTYPE, subtype);
  type->SetUINT64(MF_MT_FRAME_SIZE, UINT64(uint32_t(f.width)) << 32 | uint32_t(f.height < 0 ? -f.height : f.height));
  if (f.rate && f.scale) type->SetUINT64(MF_MT_FRAME_RATE, UINT64(f.rate) << 32 | f.scale);
  type->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, UINT64(1) << 32 | 1);
  type->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive);
  // The codec's own data after the bitmap header (MPEG-4's VOL header).
  if (format.strf.size() > 40) type->SetBlob(MF_MT_USER_DATA, format.strf.data() + 40, UINT32(format.strf.size() - 40));
  return type;
}

}  // namespace

std::unique_ptr<FrameDecoder> OpenMediaFoundationDecoder(const VideoFormat& format, uint32_t frameMicros) {
  if (!Plat().Load() || FAILED(Plat().startup(kMfVersion, MFSTARTUP_NOSOCKET))) return nullptr;
  std::unique_ptr<FrameDecoder> found;
  for (const GUID& subtype : Subtypes(format.stream)) {
    MFT_REGISTER_TYPE_INFO in = {MFMediaType_Video, subtype};
    IMFActivate** activates = nullptr;
    UINT32 count = 0;
    const UINT32 flags = MFT_ENUM_FLAG_SYNCMFT | MFT_ENUM_FLAG_LOCALMFT | MFT_ENUM_FLAG_SORTANDFILTER;
    if (FAILED(Plat().enumEx(MFT_CATEGORY_VIDEO_DECODER, flags, &in, nullptr, &activates, &count))) continue;
    for (UINT32 i = 0; i < count; ++i) {
      if (!found) {
        std::unique_ptr<MediaFoundationDecoder> decoder(new MediaFoundationDecoder(activates[i], format, subtype, frameMicros));
        if (decoder->Start()) found = std::move(decoder);
      }
      activates[i]->Release();
    }
    CoTaskMemFree(activates);
    if (found) break;
  }
  Plat().shutdown();
  return found;
}
