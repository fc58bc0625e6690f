// A WAV file of PCM (format tag 1), IEEE float (3) or WAVE_FORMAT_EXTENSIBLE
// (0xFFFE, its format block kept as it is), RIFF or RF64 (sizes past 4 GiB
// in its ds64 chunk): the fmt chunk becomes the stream's format, the data
// chunk's bytes its samples, in pieces of whole samples.
//
// Refused with the reason: no RIFF/RF64 WAVE file, no fmt or data chunk,
// another format tag (compressed sound in a WAV), a format that cannot be
// counted in samples (no channels, rate or block align), a data chunk that
// the file's end cuts short or that is not whole samples (truncated), and
// one without samples (empty). A data size of 0xFFFFFFFF in a plain RIFF
// (a writer that could not go back to set it) is read as "to the end of
// the file".
#pragma once
#include <memory>
#include <string>

#include "sound/sound_source.h"

std::unique_ptr<SoundSource> OpenWav(const std::string& path, SoundRefusal* refusal);

// True when the file's first bytes are those of a RIFF or RF64 WAVE file.
bool LooksLikeWav(ByteInput& input);
