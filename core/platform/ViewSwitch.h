#pragma once

// The window's "View" button as the loader sees it: enabled once a header with a queue has
// been presented, disabled otherwise. Takes effect at once, whatever the load does next.

namespace vantrel {

class ViewSwitch {
  public:
    virtual ~ViewSwitch() = default;
    virtual void SetViewEnabled(bool enabled) = 0;
};

// For callers without a View button (the command-line tool).
class NoViewSwitch final : public ViewSwitch {
  public:
    void SetViewEnabled(bool) override {}
};

}  // namespace vantrel
