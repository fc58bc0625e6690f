// Checks what every Windows test relies on from the Wine harness: the
// language the runner asked for (wt::Begin), the sample folder reachable
// under its Windows path, and a writable scratch folder as the current
// directory.
// Runs in English and Japanese.
#include "tests/win/lib/files.h"

using namespace wt;

int main() {
  if (!Begin(60000)) return Summary();

  Case("the samples and the scratch folder");
  const std::string samples = Env("TAVRIN_SAMPLES");
  WT_CHECK_EQ(samples.substr(0, 2), std::string("Z:"));
  WT_CHECK(ReadBytes(samples + "\\samples.txt") != "<missing>");
  WriteBytes("scratch.txt", "");
  WT_CHECK(FileExists(CurrentDirectory() + "\\scratch.txt"));
  return Summary();
}
