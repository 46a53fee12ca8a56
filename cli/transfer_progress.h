// The progress of a long transfer on standard error: once it has lasted a
// second, one line, rewritten in place, of the bytes so far and the rate
// ("12.5 MiB, 41.3 MiB/s"), ended with a line feed when it is done.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

// Seconds from any fixed point.
using SecondsClock = std::function<double()>;
double SteadySeconds();

// "512 bytes", "12.5 KiB", "12.5 MiB", "1.2 GiB".
std::string AmountText(double bytes);

class TransferProgress {
public:
    TransferProgress(std::ostream& err, bool quiet, SecondsClock clock = SteadySeconds);

    void Add(size_t count);
    // The last figures and the line feed, when the line was shown or the
    // transfer lasted over a second.
    void Finish();

private:
    std::ostream& err_;
    bool quiet_;
    SecondsClock clock_;
    double start_;
    double shownAt_ = 0;
    bool shown_ = false;
    size_t bytes_ = 0;
    size_t width_ = 0;  // of the line shown last

    void Show(double now);
};
