// Opens a sound file by what it holds (not by its name): a RIFF/RF64 WAVE
// file, AC-3 frames (sync 0x0B77), or MPEG audio (an ID3v2 tag or a frame
// sync in front). Anything else is refused as no sound file.
#pragma once
#include <memory>
#include <string>

#include "sound/sound_source.h"

std::unique_ptr<SoundSource> OpenSoundFile(const std::string& path, SoundRefusal* refusal);
