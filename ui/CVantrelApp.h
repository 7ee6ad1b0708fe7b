#pragma once

// The application start: the main window runs modally and the program ends with it.

namespace vantrel {

class CVantrelApp {
  public:
    // Runs the main window with the platform's file calls, message box and choosers until
    // it ends. Returns false: there is nothing to run after the window.
    bool InitInstance();
};

}  // namespace vantrel
