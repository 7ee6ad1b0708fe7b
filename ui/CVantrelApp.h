// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The application start: the main window runs modally and the program ends with it.

#include "StartArguments.h"

namespace vantrel {

class CVantrelApp {
  public:
    // Runs the main window with the platform's file calls, message box and choosers until
    // it ends, having loaded the file `start` names once the window is up. Returns false:
    // there is nothing to run after the window.
    bool InitInstance(const StartArguments& start = {});
};

}  // namespace vantrel
