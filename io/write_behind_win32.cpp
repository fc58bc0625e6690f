#include "io/write_behind.h"

// The Windows build writes in the caller's thread.
struct WriteBehind::Worker {};

WriteBehind::WriteBehind() = default;
WriteBehind::~WriteBehind() = default;

uint64_t WriteBehind::Start(std::FILE*, const uint8_t*, size_t) { return 0; }
void WriteBehind::WaitFor(uint64_t) {}
void WriteBehind::WaitAll() {}
int WriteBehind::Error() const { return 0; }
