// The sound of one stream of an analysed AVI file as a sound source: its
// chunks in index order (those of size 0 carry nothing and are left out),
// its format block and stream header as the file has them. What `tavrin
// shift` writes back with its offset.
#pragma once
#include <memory>

#include "avi/avi_analysis.h"
#include "sound/sound_source.h"

// input: the file as analysed (AviSource::Input()); null with *refusal when
// the stream is no sound stream the writer can count.
std::unique_ptr<SoundSource> OpenAviStreamSound(std::shared_ptr<ByteInput> input, const AviAnalysis& analysis,
                                                int stream, SoundRefusal* refusal);
