#include "avi/background_walk.h"

// The Windows reader cannot be shared between threads: no walk is started.
struct BackgroundWalk::Worker {};

BackgroundWalk::BackgroundWalk() = default;
BackgroundWalk::~BackgroundWalk() = default;

bool BackgroundWalk::Start(const ByteInput&) { return false; }

bool BackgroundWalk::Wait(AviAnalysis*, const std::function<bool()>&) { return false; }
