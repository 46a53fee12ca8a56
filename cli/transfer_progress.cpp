#include "cli/transfer_progress.h"

#include <chrono>
#include <cstdio>

namespace {

const double kQuietSeconds = 1.0;
const double kRedrawSeconds = 0.25;

} // namespace

double SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string AmountText(double bytes)
{
    if (bytes < 1024)
        return std::to_string(static_cast<unsigned long long>(bytes)) + " bytes";
    const char* const kUnits[] = {"KiB", "MiB", "GiB"};
    size_t unit = 0;
    bytes /= 1024;
    while (bytes >= 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", bytes, kUnits[unit]);
    return text;
}

TransferProgress::TransferProgress(std::ostream& err, bool quiet, SecondsClock clock)
    : err_(err), quiet_(quiet), clock_(std::move(clock)), start_(clock_())
{
}

void TransferProgress::Add(size_t count)
{
    bytes_ += count;
    if (quiet_)
        return;
    double now = clock_();
    if (now - start_ > kQuietSeconds && (!shown_ || now - shownAt_ >= kRedrawSeconds))
        Show(now);
}

void TransferProgress::Finish()
{
    if (quiet_)
        return;
    double now = clock_();
    if (!shown_ && now - start_ <= kQuietSeconds)
        return;
    Show(now);
    err_ << '\n' << std::flush;
}

void TransferProgress::Show(double now)
{
    std::string line = AmountText(static_cast<double>(bytes_)) + ", " +
                       AmountText(static_cast<double>(bytes_) / (now - start_)) + "/s";
    size_t width = line.size();
    if (width < width_)
        line.append(width_ - width, ' ');
    err_ << '\r' << line << std::flush;
    width_ = width;
    shown_ = true;
    shownAt_ = now;
}
