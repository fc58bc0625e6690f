#include "ui/shell_state.h"

ShellState& AppShell() {
  static ShellState shell = [] {
    ShellState s = {};
    s.englishUi = 1;
    InitSettings(s.settings);
    return s;
  }();
  return shell;
}
