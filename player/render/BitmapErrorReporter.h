#pragma once
// Where a bitmap's load and draw failures go. The player asks the user
// whether to go on; Spotter reports in its own window. Keeping this behind an
// interface lets both programs share one bitmap class.

#include <string>
#include <string_view>

#include "Host.h"
#include "Result.h"

namespace parvel::render {

class BitmapErrorReporter {
public:
    virtual ~BitmapErrorReporter() = default;
    // A step of LoadBMP failed. True: carry on with the next step.
    virtual bool onInitError(const Error& error, std::string_view path) = 0;
    // A step of DrawRect failed; lastDrawResult is what the last drawing call
    // returned (1 success, 0 failure). True: carry on with the next step.
    virtual bool onDrawError(const Error& error, long lastDrawResult) = 0;
};

// The player's reporting: nothing unless ShowErrors is on; then the failure,
// the value involved, and a Yes/No question whether to go on.
class HostBitmapReporter : public BitmapErrorReporter {
public:
    explicit HostBitmapReporter(Host& host) : m_host(host) {}
    bool onInitError(const Error& error, std::string_view path) override;
    bool onDrawError(const Error& error, long lastDrawResult) override;

private:
    bool report(std::string_view routine, const Error& error, std::string_view valueLabel,
                std::string_view value);
    Host& m_host;
};

}  // namespace parvel::render
