#include "sound/sound_file.h"

#include "sound/ac3_frames.h"
#include "sound/mpeg_audio_frames.h"
#include "sound/wav_file.h"
#include "texts/sound_texts.h"

std::unique_ptr<SoundSource> OpenSoundFile(const std::string& path, SoundRefusal* refusal) {
  ByteInput input;
  if (!input.Open(path.c_str())) {
    refusal->kind = SoundRefusal::Unreadable;
    refusal->english = refusal->japanese = input.OpenError();
    return nullptr;
  }
  if (input.Size() == 0) {
    refusal->kind = SoundRefusal::Empty;
    refusal->english = texts::kSoundFileEmpty.english;
    refusal->japanese = texts::kSoundFileEmpty.japanese;
    return nullptr;
  }
  if (LooksLikeWav(input)) return OpenWav(path, refusal);
  uint8_t b[2] = {};
  input.Seek(0);
  input.Read(b, 2);
  if (b[0] == 0x0B && b[1] == 0x77) return OpenAc3(path, refusal);
  return OpenMpegAudio(path, refusal);
}
