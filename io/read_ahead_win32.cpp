#include "io/read_ahead.h"

// The Windows reader holds no descriptor: nothing is read ahead there.
struct ReadAhead::Worker {};

ReadAhead::ReadAhead() = default;
ReadAhead::~ReadAhead() = default;

bool ReadAhead::Start(int, uint64_t, uint8_t*, size_t) { return false; }

size_t ReadAhead::Finish() { return 0; }
