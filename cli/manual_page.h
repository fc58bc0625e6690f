// The manual page tavrin(1), in roff, made from the table of commands:
// `tavrin --man` prints it and the build installs it.
#pragma once
#include <string>

std::string ManualPage();
