// The dub job: puts the sound of a sound file (sound/sound_file.h: WAV,
// MPEG audio, AC-3) into an AVI as a new stream (add) or in place of one of
// its streams (replace), moved against the picture by an offset when one is
// given (sound/sound_offset.h). The shift job (dub/shift_job.h) is the same
// writing with the stream's own sound as the source.
//
// The output is the input's header with the stream's strl list put in or
// replaced (avih dwStreams and the hdrl size made true), then the input's
// chunks in their order, the replaced stream's left out and the new sound's
// chunks put between them by time (dub/dub_listing.h), then the index: the
// output skeleton (writer/avi_writer.h) writes it, as OpenDML from 1 GiB.
// It goes under a temporary name and replaces its name only when complete.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "texts/text_pair.h"
#include "sound/sound_offset.h"

class JobSink;

struct DubRequest {
  std::string path;    // the AVI
  std::string audio;   // the sound file ("" for a shift)
  int replace = -1;    // the stream replaced (-1: none named)
  bool add = false;    // a new stream, last
  bool shift = false;    // a shift: shiftStream moved, its own sound the source
  int shiftStream = -1;
  std::string offset;  // "" none
  std::string output;  // "" the default name
};

enum class DubResult : int32_t {
  Completed,
  Cancelled,
  ReplaceAndAdd,    // --replace and --add together
  OffsetInvalid,    // the offset is no time
  ChooseStream,     // several sound streams and neither --replace nor --add
  NameIsInput,      // the output would replace an input
  NoOutputName,     // the output's name would be too long
  NoSuchStream,     // a stream number the file does not have
  NotSoundStream,   // a stream that holds no sound (video ...)
  TooManyStreams,   // no room for another stream
  InputNotOpen,
  InputNotRiff,
  Unsupported,      // no video, no index ...
  OpenDml,          // an OpenDML index that cannot be read
  Damaged,          // cut short, no index or a broken one: the repair hint follows
  SoundNotOpen,     // the sound file cannot be opened
  SoundUnusable,    // no sound file of a kind taken, or a format the header cannot state
  SoundTruncated,
  SoundEmpty,
  OffsetTakesAll,   // the offset takes off all the sound
  CannotWrite,
  TooLarge,
  ReadError,
  InputChanged,
  Count
};

int32_t DubResultNumber(DubResult result);
const TextPair* DubResultText(DubResult result);
bool IsDubUsageRefusal(DubResult result);
extern const TextPair kDubAnalyzing;
extern const TextPair kDubWriting;

struct DubOutcome {
  DubResult result = DubResult::Completed;
  int32_t Number() const { return DubResultNumber(result); }
  std::string message;
  std::string detail;  // in English, for the command line
  std::vector<std::string> outputs;
  std::vector<uint64_t> bytes;
  int stream = -1;           // the stream written
  bool replaced = false;
  std::string soundKind;     // "PCM, 48000 Hz, 2 channels, 16 bits" ...
  double soundSeconds = 0;   // the new stream's length (the offset included)
  double videoSeconds = 0;
  uint64_t soundChunks = 0;
  bool hasOffset = false;
  double offsetAsked = 0;
  OffsetPlan offset;
};

DubOutcome DubJob(const DubRequest& request, JobSink& sink);

// The default names: the input's with its extension replaced by "-d.avi"
// (dub) or "-o.avi" (shift), or that appended.
std::string DefaultDubName(const std::string& input);
std::string DefaultShiftName(const std::string& input);
