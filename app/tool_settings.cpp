#include "app/tool_settings.h"

#include <cstring>

#include "app/settings.h"
#include "io/file_system.h"

namespace {

constexpr const char* kJoinFolderKey = "JoinFolder=";
constexpr const char* kJoinDropKey = "JoinDropsOverlaps=";
constexpr const char* kPiecesByKey = "PiecesBySize=";
constexpr const char* kPiecesEveryKey = "PiecesEverySeconds=";
constexpr const char* kPiecesMegabytesKey = "PiecesMegabytes=";
constexpr const char* kCutDropsKey = "CutDropsRanges=";
constexpr const char* kCutSeparateKey = "CutFilePerRange=";
constexpr const char* kCutExactKey = "CutExactFrames=";
constexpr const char* kSplitExactKey = "SplitExactFrames=";
constexpr const char* kPreviewPlaceKey = "PreviewPlace=";
constexpr const char* kSaveInKey = "SaveInFolder=";
// The Batch dialog's: none holds another key inside it ("BatchBySize=", not
// "BatchPiecesBySize=", which "PiecesBySize=" would find).
constexpr const char* kBatchJobKey = "BatchJob=";
constexpr const char* kBatchAtKey = "BatchAtSeconds=";
constexpr const char* kBatchBySizeKey = "BatchBySize=";
constexpr const char* kBatchEveryKey = "BatchEvery=";
constexpr const char* kBatchMegabytesKey = "BatchMB=";
constexpr const char* kBatchOneListKey = "BatchOneList=";
constexpr const char* kBatchExactKey = "BatchExact=";
constexpr const char* kBatchListKey = "BatchListFile=";
constexpr const char* kBatchSoundKey = "BatchSound=";
constexpr const char* kBatchLeaveOutKey = "BatchLeaveOut=";

// A value ends at a line break: it must not start lines (keys) of its own.
std::string OneLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

void PutLine(std::FILE* file, const char* key, const std::string& value) {
  std::fprintf(file, "%s%s\n", key, OneLine(value).c_str());
}

void ReadBatchSettings(std::FILE* file, BatchSettings& batch) {
  char value[kPathBytes];
  if (FindSettingsKey(file, kBatchJobKey, value)) {
    const int n = ParseSettingsInt(value);
    if (n >= 0 && n < int(BatchOperation::Count)) batch.operation = BatchOperation(n);
  }
  if (FindSettingsKey(file, kBatchAtKey, value)) batch.splitSeconds = value;
  if (FindSettingsKey(file, kBatchBySizeKey, value)) batch.piecesBySize = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kBatchEveryKey, value)) batch.piecesEvery = value;
  if (FindSettingsKey(file, kBatchMegabytesKey, value)) batch.piecesMegabytes = value;
  if (FindSettingsKey(file, kBatchOneListKey, value)) batch.cutOneList = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kBatchExactKey, value)) batch.exact = ParseSettingsInt(value) == 1;
  FindLongSettingsValue(file, kBatchListKey, &batch.cutList);
  if (FindSettingsKey(file, kBatchSoundKey, value)) batch.soundStream = value;
  if (FindSettingsKey(file, kBatchLeaveOutKey, value)) batch.leaveOut = value;
}

void PutBatchSettings(std::FILE* file, const BatchSettings& batch) {
  const BatchSettings defaults;
  if (batch.operation != defaults.operation) std::fprintf(file, "%s%d\n", kBatchJobKey, int(batch.operation));
  if (batch.splitSeconds != defaults.splitSeconds) PutLine(file, kBatchAtKey, batch.splitSeconds);
  if (batch.piecesBySize != defaults.piecesBySize) std::fprintf(file, "%s%d\n", kBatchBySizeKey, int(batch.piecesBySize));
  if (batch.piecesEvery != defaults.piecesEvery) PutLine(file, kBatchEveryKey, batch.piecesEvery);
  if (batch.piecesMegabytes != defaults.piecesMegabytes) PutLine(file, kBatchMegabytesKey, batch.piecesMegabytes);
  if (batch.cutOneList != defaults.cutOneList) std::fprintf(file, "%s%d\n", kBatchOneListKey, int(batch.cutOneList));
  if (batch.exact != defaults.exact) std::fprintf(file, "%s%d\n", kBatchExactKey, int(batch.exact));
  if (batch.cutList != defaults.cutList) PutLine(file, kBatchListKey, batch.cutList);
  if (batch.soundStream != defaults.soundStream) PutLine(file, kBatchSoundKey, batch.soundStream);
  if (batch.leaveOut != defaults.leaveOut) PutLine(file, kBatchLeaveOutKey, batch.leaveOut);
}

}  // namespace

void ReadToolSettings(std::FILE* file, ToolSettings& tools) {
  char value[kPathBytes];
  FindLongSettingsValue(file, kJoinFolderKey, &tools.joinFolder);
  if (FindSettingsKey(file, kJoinDropKey, value)) tools.joinDropOverlaps = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kPiecesByKey, value)) tools.piecesBySize = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kPiecesEveryKey, value)) tools.piecesEvery = value;
  if (FindSettingsKey(file, kPiecesMegabytesKey, value)) tools.piecesMegabytes = value;
  if (FindSettingsKey(file, kCutDropsKey, value)) tools.cutDrops = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kCutSeparateKey, value)) tools.cutSeparate = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kCutExactKey, value)) tools.cutExact = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kSplitExactKey, value)) tools.splitExact = ParseSettingsInt(value) == 1;
  if (FindSettingsKey(file, kPreviewPlaceKey, value)) tools.previewPlace = value;
  FindLongSettingsValue(file, kSaveInKey, &tools.saveIn);
  ReadBatchSettings(file, tools.batch);
}

void LoadToolSettings(const char* path, ToolSettings& tools) {
  std::FILE* file = filesys::OpenStdio(path, "rb");  // binary, as the key search needs
  if (!file) return;
  ReadToolSettings(file, tools);
  std::fclose(file);
}

bool AppendToolSettings(const char* path, const ToolSettings& tools) {
  const ToolSettings defaults;
  std::FILE* file = filesys::OpenStdio(path, "a");  // text mode: CR LF on Windows
  if (!file) return false;
  if (tools.joinFolder != defaults.joinFolder) PutLine(file, kJoinFolderKey, tools.joinFolder);
  if (tools.joinDropOverlaps != defaults.joinDropOverlaps) std::fprintf(file, "%s%d\n", kJoinDropKey, tools.joinDropOverlaps);
  if (tools.piecesBySize != defaults.piecesBySize) std::fprintf(file, "%s%d\n", kPiecesByKey, tools.piecesBySize);
  if (tools.piecesEvery != defaults.piecesEvery) PutLine(file, kPiecesEveryKey, tools.piecesEvery);
  if (tools.piecesMegabytes != defaults.piecesMegabytes) PutLine(file, kPiecesMegabytesKey, tools.piecesMegabytes);
  if (tools.cutDrops != defaults.cutDrops) std::fprintf(file, "%s%d\n", kCutDropsKey, tools.cutDrops);
  if (tools.cutSeparate != defaults.cutSeparate) std::fprintf(file, "%s%d\n", kCutSeparateKey, tools.cutSeparate);
  if (tools.cutExact != defaults.cutExact) std::fprintf(file, "%s%d\n", kCutExactKey, tools.cutExact);
  if (tools.splitExact != defaults.splitExact) std::fprintf(file, "%s%d\n", kSplitExactKey, tools.splitExact);
  if (tools.previewPlace != defaults.previewPlace) PutLine(file, kPreviewPlaceKey, tools.previewPlace);
  if (tools.saveIn != defaults.saveIn) PutLine(file, kSaveInKey, tools.saveIn);
  PutBatchSettings(file, tools.batch);
  std::fclose(file);
  return true;
}
