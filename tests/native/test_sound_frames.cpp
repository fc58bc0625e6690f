// The frame files' readers on crafted bytes: what encoders and taggers put
// around MPEG audio frames (ID3v2 tags holding bytes that look like a frame
// sync, a stray sync in leading bytes, a Xing header frame, an ID3v1 tag)
// must be left out, and bytes that are no frames must be refused, never
// taken as sound. The frames an exact cut finds in a run of a stream's
// bytes that starts inside a frame, whose data hold would-be syncs. AC-3's channel count depends on bits whose place moves
// with the channel layout.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sound/ac3_frames.h"
#include "sound/frame_starts.h"
#include "sound/mpeg_audio_frames.h"

namespace {

// An MPEG-1 Layer III frame, 128 kbit/s, 44.1 kHz, stereo: 417 bytes (418 padded).
std::vector<uint8_t> Frame(uint8_t fill, bool padded = false, const char* tag = nullptr) {
  std::vector<uint8_t> f(padded ? 418 : 417, fill);
  f[0] = 0xFF, f[1] = 0xFB, f[2] = uint8_t(0x90 | (padded ? 2 : 0)), f[3] = 0x00;
  if (tag) std::copy(tag, tag + 4, f.begin() + 4 + 32);  // after the stereo side information
  return f;
}

std::string Write(const std::vector<uint8_t>& bytes) {
  const std::string path = testing::TempDir() + "sound_frames_" + std::to_string(rand()) + ".mp3";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& b) { to.insert(to.end(), b.begin(), b.end()); }

// The pieces the source walks: (offset, bytes).
std::vector<std::pair<uint64_t, uint32_t>> Pieces(const SoundSource& s) {
  std::vector<std::pair<uint64_t, uint32_t>> out;
  auto cursor = s.Begin();
  SoundPiece p;
  while (cursor->Next(&p)) out.push_back({p.at, p.bytes});
  return out;
}

TEST(MpegFrames, TagsAndHeaderFrameAreLeftOut) {
  std::vector<uint8_t> file = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
  std::vector<uint8_t> body(20, 0xFF);  // a tag body full of would-be syncs
  body[5] = 0xFB, body[6] = 0x90;
  Append(file, body);
  const size_t xing = file.size();
  Append(file, Frame(0, false, "Xing"));
  const size_t first = file.size();
  for (int i = 0; i < 5; ++i) Append(file, Frame(uint8_t(i + 1), i == 2));
  const size_t frames = file.size() - first;
  std::vector<uint8_t> id3v1(128, ' ');
  id3v1[0] = 'T', id3v1[1] = 'A', id3v1[2] = 'G';
  Append(file, id3v1);
  SoundRefusal refusal;
  auto source = OpenMpegAudio(Write(file), &refusal);
  ASSERT_TRUE(source) << refusal.english;
  const auto pieces = Pieces(*source);
  ASSERT_EQ(pieces.size(), 5u);
  EXPECT_EQ(pieces[0].first, first);
  EXPECT_NE(pieces[0].first, xing);
  uint64_t bytes = 0;
  for (const auto& p : pieces) bytes += p.second;
  EXPECT_EQ(bytes, frames);
  // One bit rate: a byte stream at 16000 bytes a second.
  EXPECT_EQ(source->Format().rate, 16000u);
  EXPECT_EQ(source->Format().sampleSize, 1u);
  EXPECT_EQ(source->Format().units, frames);
}

TEST(MpegFrames, AStraySyncInLeadingBytesIsNoFrame) {
  std::vector<uint8_t> file = {0x00, 0xFF, 0xFB, 0x90, 0x00, 0x11, 0x22};
  const size_t first = file.size();
  for (int i = 0; i < 3; ++i) Append(file, Frame(7));
  SoundRefusal refusal;
  auto source = OpenMpegAudio(Write(file), &refusal);
  ASSERT_TRUE(source) << refusal.english;
  EXPECT_EQ(Pieces(*source).front().first, first);
}

TEST(MpegFrames, GarbageAndCutFramesAreRefused) {
  std::vector<uint8_t> file;
  for (int i = 0; i < 3; ++i) Append(file, Frame(7));
  std::vector<uint8_t> garbage = file;
  Append(garbage, std::vector<uint8_t>(300, 0x5A));
  for (int i = 0; i < 3; ++i) Append(garbage, Frame(7));
  SoundRefusal refusal;
  EXPECT_FALSE(OpenMpegAudio(Write(garbage), &refusal));
  EXPECT_EQ(refusal.kind, SoundRefusal::NotSound);
  std::vector<uint8_t> cut = file;
  cut.resize(cut.size() - 100);
  EXPECT_FALSE(OpenMpegAudio(Write(cut), &refusal));
  EXPECT_EQ(refusal.kind, SoundRefusal::Truncated);
  EXPECT_FALSE(OpenMpegAudio(Write(std::vector<uint8_t>(4000, 0x41)), &refusal));
  EXPECT_EQ(refusal.kind, SoundRefusal::NotSound);
}

TEST(MpegFrames, BitRatesThatChangeMakeOneFrameAChunk) {
  std::vector<uint8_t> file;
  Append(file, Frame(1));
  std::vector<uint8_t> f160(522, 2);  // 160 kbit/s: 144 x 160000 / 44100 = 522
  f160[0] = 0xFF, f160[1] = 0xFB, f160[2] = 0xA0, f160[3] = 0;
  Append(file, f160);
  Append(file, Frame(3));
  SoundRefusal refusal;
  auto source = OpenMpegAudio(Write(file), &refusal);
  ASSERT_TRUE(source) << refusal.english;
  EXPECT_EQ(source->Format().scale, 1152u);
  EXPECT_EQ(source->Format().rate, 44100u);
  EXPECT_EQ(source->Format().sampleSize, 0u);
  EXPECT_EQ(source->Format().blockAlign, 1152u);
  EXPECT_EQ(source->Format().units, 3u);
}

TEST(Ac3Frames, ChannelsWithTheLfeBitWhereTheLayoutPutsIt) {
  // 48 kHz, 384 kbit/s (frmsizecod 28), bsid 8; acmod 7 (3/2) has the
  // centre and surround mix levels before lfeon; acmod 2 (2/0) dsurmod.
  uint8_t b[8] = {0x0B, 0x77, 0, 0, 28, 8 << 3, 0, 0};
  Ac3FrameHeader h;
  b[6] = uint8_t(7 << 5 | 0x01);  // acmod, cmixlev, surmixlev: lfeon is the last bit of b[6]
  ASSERT_TRUE(ParseAc3FrameHeader(b, &h));
  EXPECT_EQ(h.channels, 6);
  EXPECT_EQ(h.bytes, 1536u);
  b[6] = uint8_t(2 << 5 | 0x04);  // acmod 2: dsurmod, then lfeon
  ASSERT_TRUE(ParseAc3FrameHeader(b, &h));
  EXPECT_EQ(h.channels, 3);
  b[5] = 16 << 3;  // E-AC-3 is no AC-3
  EXPECT_FALSE(ParseAc3FrameHeader(b, &h));
}

}  // namespace

// The run starts inside a frame whose data hold a sync that parses as a
// header: the frames are taken up where three chain, and a frame whose end
// lies past the run is listed.
TEST(FrameStarts, TakenUpWhereFramesChain) {
  std::vector<uint8_t> stream;
  for (int i = 0; i < 6; ++i) Append(stream, Frame(uint8_t(0x11 * (i + 1)), i % 2 == 1));
  // A would-be header 100 bytes into frame 0's data (a 417-byte frame's).
  const std::vector<uint8_t> fake = {0xFF, 0xFB, 0x90, 0x00};
  std::copy(fake.begin(), fake.end(), stream.begin() + 100);
  const std::vector<uint8_t> run(stream.begin() + 50, stream.end() - 200);
  const std::vector<FrameStart> starts = FindFrameStarts(0x0055, run.data(), run.size());
  std::vector<uint32_t> at;
  for (const FrameStart& f : starts) at.push_back(f.at);
  // Frames begin at 0, 417, 835, 1252, 1670, 2087 of the stream.
  EXPECT_EQ(at, (std::vector<uint32_t>{417 - 50, 835 - 50, 1252 - 50, 1670 - 50, 2087 - 50}));
  ASSERT_FALSE(starts.empty());
  EXPECT_EQ(starts[0].samples, 1152u);
  EXPECT_EQ(starts[0].sampleRate, 44100u);
  EXPECT_TRUE(FindFrameStarts(0x0161, run.data(), run.size()).empty());  // WMA: frames tell no length
}

TEST(FrameStarts, Ac3) {
  // 48 kHz, 192 kbit/s (frmsizecod 20): 768 bytes a frame.
  std::vector<uint8_t> frame(768, 0x0B);
  frame[0] = 0x0B, frame[1] = 0x77, frame[4] = 20, frame[5] = 8 << 3, frame[6] = 2 << 5;
  std::vector<uint8_t> stream(300, 0x77);
  for (int i = 0; i < 4; ++i) Append(stream, frame);
  const std::vector<FrameStart> starts = FindFrameStarts(0x2000, stream.data(), stream.size());
  ASSERT_EQ(starts.size(), 4u);
  EXPECT_EQ(starts[0].at, 300u);
  EXPECT_EQ(starts[3].at, 300u + 3 * 768);
  EXPECT_EQ(starts[0].samples, 1536u);
}
