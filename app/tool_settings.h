// The settings of the Join, Split-into-pieces, Cut and Batch dialogs, kept in Tavrin.ini
// beside the main window's. They are read at start after the main window's
// keys, and written at close after its five lines, each only when it differs
// from its default: a run that never changed them leaves the file exactly as
// the main window writes it, and a file without them reads as the defaults.
// Key names hold none of the main window's keys inside them, since keys are
// found anywhere in the file.
#pragma once
#include <cstdio>
#include <string>

#include "app/batch_jobs.h"

struct ToolSettings {
  std::string joinFolder;     // where the Join dialog's Add starts; UTF-8, as every new key
  int joinDropOverlaps = 0;   // the "Drop overlaps" box
  int piecesBySize = 0;       // 0: a piece every so many seconds, 1: at most so many MB
  std::string piecesEvery = "600";
  std::string piecesMegabytes = "2000";
  int cutDrops = 0;     // the Cut dialog: 0 "Keep these", 1 "Drop these"
  int cutSeparate = 0;  // 0 "One file", 1 "A file per range"
  int cutExact = 0;     // the "Exact cut" box
  int splitExact = 0;   // the Split page's "Exact cut" box
  std::string previewPlace;  // the preview window's "left top width height"; empty: never shown
  std::string saveIn;        // the Split page's Save in folder (UTF-8); empty: beside the input
  BatchSettings batch;       // the Batch dialog's operation and its fields (the list file in UTF-8)
};

// Applies the keys found in an open settings file; missing ones keep their defaults.
void ReadToolSettings(std::FILE* file, ToolSettings& tools);
// Reads path if it can be opened; nothing changes otherwise.
void LoadToolSettings(const char* path, ToolSettings& tools);
// Adds the lines of the values that differ from their defaults to the end of
// path; false when it cannot be opened.
bool AppendToolSettings(const char* path, const ToolSettings& tools);
