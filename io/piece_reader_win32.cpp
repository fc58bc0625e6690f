#include "io/piece_reader.h"

#include "io/positioned_read.h"

// No batched reads here: each piece is read in turn.
struct PieceReader::Ring {};

PieceReader::PieceReader() = default;
PieceReader::~PieceReader() = default;

void PieceReader::Prepare(int, uint64_t) {}

void PieceReader::Read(int fd, FilePiece* pieces, size_t count) {
  for (size_t i = 0; i < count; ++i) pieces[i].got = filesys::ReadAt(fd, pieces[i].position, pieces[i].out, pieces[i].count);
}

// A read call costs about as much as copying a few tens of kilobytes.
uint64_t PieceReader::MergeGap() const { return 32 * 1024; }
