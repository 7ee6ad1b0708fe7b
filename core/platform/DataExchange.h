#pragma once

// The window's data exchange from its controls into the ConversionState, run by the
// conversion before it reads paths and options. Front ends without controls do nothing.

namespace vantrel {

class DataExchange {
  public:
    virtual ~DataExchange() = default;
    // Copies the controls' contents into the state (paths, title flag, separator, digital
    // choice, display texts). Never touches formatIndex.
    virtual void ExchangeIn() = 0;
};

class NoDataExchange final : public DataExchange {
  public:
    void ExchangeIn() override {}
};

}  // namespace vantrel
