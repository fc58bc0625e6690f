// The bash completion for tavrin, made from the table of commands:
// `tavrin --bash-completion` prints it and the build installs it.
#pragma once
#include <string>

std::string BashCompletion();
