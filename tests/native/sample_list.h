// The real sample files tools/make_samples.sh made (folder TAVRIN_SAMPLES),
// as its samples.txt lists them: file, playing time and audio kind.
#pragma once
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace avitest {

struct Sample {
  std::string file;  // full path
  double seconds;
  std::string audio;
};

inline std::vector<Sample> Samples() {
  std::vector<Sample> out;
  const char* dir = std::getenv("TAVRIN_SAMPLES");
  if (!dir) return out;
  std::ifstream manifest(std::string(dir) + "/samples.txt");
  std::string line;
  std::getline(manifest, line);  // header
  while (std::getline(manifest, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() >= 6) out.push_back({std::string(dir) + "/" + cols[0], std::stod(cols[5]), cols[3]});
  }
  return out;
}

// The sweeps over the samples try every sample, but not every case on every
// sample: sample i takes perSample of the cases, from case i on in turn, so
// that every case still meets several writers. TAVRIN_FULL_SWEEPS=1 (the test
// command's --long) takes every case on every sample.
inline bool SampleTakesCase(size_t sample, size_t caseIndex, size_t cases, size_t perSample) {
  const char* full = std::getenv("TAVRIN_FULL_SWEEPS");
  if ((full && *full && std::string(full) != "0") || perSample >= cases) return true;
  return (caseIndex + cases - sample % cases) % cases < perSample;
}

}  // namespace avitest
