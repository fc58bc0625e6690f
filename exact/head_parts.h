// The frames an exact cut makes anew, on two cores: each head's runs are
// parts (PartsOf) that two coders take in turn (the job's and work.second,
// on a thread of its own: exact/two_coders.h), each into a file of its
// own; a head's parts are then put together in its side file
// (AssembleHead). Only the job's thread speaks to the sink: the bar counts
// every frame made, and a cancel stops both coders within a frame.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "exact/exact_heads.h"
#include "writer/chunk_swap.h"

class ScratchFile;

// A stretch of a head's frames made anew by one coder into a file of its
// own: a run of the head's swap, or (a long run split between two coders)
// the rest of the run of the part before it, starting with a key frame of its own.
struct HeadPart {
  size_t head = 0;
  uint32_t from = 0, to = 0;
  bool continues = false;  // goes on with the run of the part before
  std::shared_ptr<ScratchFile> file;
  std::vector<SwappedChunk> chunks;
  double lowest = 99;
  bool writeFault = false;  // its file could not be written (not the coder's failure)
};

// The parts of the heads with frames to make, in order. When their number
// is odd and the stream has no B-frames, the longest run is split in two
// (the second half starting with a key frame of its own) so that both
// coders have as much to do; a head alone is then made on both cores.
std::vector<HeadPart> PartsOf(const ExactWork& work, const std::vector<ExactHead>& heads, bool twoCoders);

// Makes every part of the heads' frames (*parts), on two coders when the
// work has a second, counting the frames
// on the bar from 10 over span cells; (*failures)[i] says why part i could
// not be made. False on a cancel.
bool MakeParts(ExactWork& work, const std::vector<ExactHead>& heads, int span, std::vector<HeadPart>* parts,
               std::vector<std::string>* failures);

// Puts a head's parts together in its side file, as the runs of its swap
// (the key frame not yet among them).
bool AssembleHead(const ExactWork& work, ExactHead& head, std::vector<HeadPart*>& parts, std::string* why);
