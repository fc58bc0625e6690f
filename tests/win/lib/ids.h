// The main window's control and menu numbers by their names.
#pragma once
#include "ui/resource_ids.h"
// The fields the jobs read are named in app/control_ids.h while the window's
// header keeps them for the resource compiler only.
#ifndef IDC_SRC_FILE
#include "app/control_ids.h"
#endif

namespace wt {
constexpr int kMessageText = 0xFFFF;  // a message box's static text
}
