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

}  // namespace avitest
