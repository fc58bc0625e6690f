// The main window's control and menu numbers by their names.
#pragma once
#include "ui/resource_ids.h"

namespace wt {
constexpr int kMessageText = 0xFFFF;  // a message box's static text
}
