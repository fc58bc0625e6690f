// What TavrinD.dll does behind "TestFunc": the channel's job (a size split, or
// the joined file of a merge, planned afresh from the two inputs) run through
// the core, reporting to the program's progress dialog through the channel.
#pragma once
#include <cstdint>

#include "app/plugin_channel.h"

// 0 when the job was done; 1 when not (its reason was shown, or it was
// cancelled, or the record is unknown).
int32_t RunChannelWork(const TavrinChannel& channel);
