// Deciding an output's route as writer/output_route.h describes it: the version-1
// size first, then OpenDML or block sharing, each refused or dropped where
// it cannot hold.
#include "writer/output_route.h"

#include "writer/chunk_placer.h"

namespace {

const ByteInput& SharedInput(const AviOutput& out) { return out.chunkFile ? *out.chunkFile : *out.header; }

// out's OpenDML shape for a version-1 file of `bytes`; *view holds the
// edited header where the edits change its size.
OdmlShape ShapeOf(const AviOutput& out, uint64_t bytes, std::unique_ptr<HeaderView>* view) {
  OdmlShape shape = out.shape;
  shape.versionOneBytes = bytes;
  if (out.edits.OutputBytes(out.headerBytes) != out.headerBytes) {
    *view = std::make_unique<HeaderView>(out);
    shape.header = &(*view)->input;
  }
  return shape;
}

bool PlanOpenDml(const AviOutput& out, const OdmlShape& shape, const OdmlLimits& limits, OdmlPlan* plan) {
  *plan = OdmlPlan();
  return plan->Make(shape, OdmlChunksOf(out.chunks), limits);
}

std::string RouteOpenDml(const AviOutput& out, const OdmlLimits& limits, bool clone, OutputRoute* route) {
  OdmlShape shape = ShapeOf(out, route->versionOneBytes, &route->header);
  const int fd = SharedInput(out).Descriptor();
  if (clone && fd >= 0) shape.shareBlock = out.file->ShareBlocksWith(fd);
  if (!PlanOpenDml(out, shape, limits, &route->plan)) return route->plan.Problem();
  if (shape.shareBlock != 0 && out.sizeLimit != 0 && route->plan.FileBytes() > out.sizeLimit) {
    shape.shareBlock = 0;
    if (!PlanOpenDml(out, shape, limits, &route->plan)) return route->plan.Problem();
  }
  route->shares = shape.shareBlock != 0;
  route->odml = std::make_unique<OdmlOutput>(*out.file, route->plan, OdmlChunksOf(out.chunks));
  return "";
}

void ShareVersionOne(const AviOutput& out, const OdmlLimits& limits, OutputRoute* route) {
  const int fd = SharedInput(out).Descriptor();
  if (fd < 0) return;
  const uint32_t block = out.file->ShareBlocksWith(fd);
  if (block == 0) return;
  const uint64_t junk = JunkBytes(out.chunks, block, out.MoviType());
  const uint64_t bytes = route->versionOneBytes + junk;
  if (bytes >= limits.riffThreshold || bytes > 0xFFFFFFFFull) return;
  if (out.sizeLimit != 0 && bytes > out.sizeLimit) return;
  route->junkBlock = block;
  route->shares = true;
  route->versionOneBytes = bytes;
  route->moviBytes += junk;
}

}  // namespace

std::string RouteOutput(const AviOutput& out, const OdmlLimits& limits, bool clone, OutputRoute* route) {
  if (!out.refusal.empty()) return out.refusal;
  route->versionOneBytes = out.VersionOneBytes();
  route->moviBytes = out.moviBytes;
  if (route->versionOneBytes >= limits.riffThreshold) return RouteOpenDml(out, limits, clone, route);
  if (route->versionOneBytes > 0xFFFFFFFFull)
    return "a version-1 file cannot hold " + std::to_string(route->versionOneBytes) + " bytes";
  if (clone) ShareVersionOne(out, limits, route);
  return "";
}

uint64_t MeasureOutput(const AviOutput& out, const OdmlLimits& limits, std::string* problem) {
  const uint64_t bytes = out.VersionOneBytes();
  if (bytes < limits.riffThreshold) return bytes;
  std::unique_ptr<HeaderView> view;
  OdmlPlan plan;
  if (PlanOpenDml(out, ShapeOf(out, bytes, &view), limits, &plan)) return plan.FileBytes();
  if (problem) *problem = plan.Problem();
  return 0;
}

OdmlShape ShapeOfAnalysed(const AviAnalysis& a, ByteInput& header) {
  OdmlShape shape{&header, a.moviOffset, a.totalFramesOffset, a.streamCount, a.firstVideoStream, {}, 0};
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].type == StreamAudio && int(s) != a.firstVideoStream)
      shape.sampleSize[s] = header.U32At(a.streams[s].sampleSizeOffset);
  return shape;
}
