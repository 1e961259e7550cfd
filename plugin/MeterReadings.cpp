// Windows, peak hold and fall, correlation and the vectorscope's picture and gain.
#include "MeterReadings.h"

#include <algorithm>
#include <cmath>

namespace {

// Non-finite or negative sums (a host's NaN, an overflow) read as silence or full.
double Sane(double v) { return std::isfinite(v) ? std::max(0.0, v) : (std::isnan(v) ? 0.0 : 1e30); }

double ToDb(double amplitude, double floorDb)
{
    return amplitude > 0.0 ? std::max(floorDb, 20.0 * std::log10(amplitude)) : floorDb;
}

}  // namespace

ScopeTrace::ScopeTrace(int w, int h) : width(std::max(1, w)), height(std::max(1, h)) {}

void ScopeTrace::Clear() { cells.assign(size_t(width * height), 0.0f); }

void ScopeTrace::Fade(double seconds, double timeConstant)
{
    const float factor = float(std::exp(-seconds / timeConstant));
    for (float& cell : cells) {
        cell *= factor;
    }
}

bool ScopeTrace::Position(double left, double right, double gain, int& x, int& y) const
{
    const double mid = 0.5 * (left + right) * gain;
    const double side = 0.5 * (left - right) * gain;
    if (!std::isfinite(mid) || !std::isfinite(side)) {
        return false;
    }
    // Cell centres: (width - 1) / 2 is the middle column, the edge cells are at +-1.
    const double halfW = 0.5 * (width - 1);
    const double halfH = 0.5 * (height - 1);
    const double fx = halfW - side * halfW;
    const double fy = halfH - mid * halfH;
    if (fx < -0.5 || fx >= width - 0.5 || fy < -0.5 || fy >= height - 0.5) {
        return false;
    }
    x = int(std::floor(fx + 0.5));
    y = int(std::floor(fy + 0.5));
    return true;
}

void ScopeTrace::Plot(double left, double right, double gain, float brightness)
{
    int x = 0, y = 0;
    if (!cells.empty() && Position(left, right, gain, x, y)) {
        float& cell = cells[size_t(y * width + x)];
        cell = std::max(cell, brightness);
    }
}

MeterReadings::MeterReadings(int scopeWidth, int scopeHeight) : scope(scopeWidth, scopeHeight) {}

void MeterReadings::AllocateHistory()
{
    if (history.empty()) {
        history.assign(size_t(kHistory), Sums());
        historySeconds.assign(size_t(kHistory), 0.0);
        historyCount = 0;
        historyNewest = 0;
    }
}

void MeterReadings::Restart(MeterRing& ring)
{
    AllocateHistory();
    ring.SkipToNewest();
    for (Level& level : levels) {
        level = Level();
    }
    hasCorrelation = false;
    correlation = 0.0;
    scopeGain = 1.0;
    scopeGainDb = 0.0;
    scope.Clear();
    historyCount = 0;
    historyNewest = 0;
}

bool MeterReadings::Consume(MeterRing& ring)
{
    MeterSlice slice;
    bool changed = false;
    uint64_t lost = 0;
    while (ring.Pop(slice, lost)) {
        if (lost > 0) {
            SkipTime(double(lost) * lastSliceSeconds);
            dropped += lost;
            lost = 0;
        }
        Take(slice);
        changed = true;
    }
    return changed;
}

void MeterReadings::SkipTime(double seconds)
{
    for (Level& level : levels) {
        UpdatePeak(level, 0.0, seconds);
    }
    scope.Fade(seconds, kScopeFadeSeconds);
}

void MeterReadings::TakeSilence(double seconds)
{
    MeterSlice silence;
    silence.sampleRate = lastSampleRate;
    silence.frames = std::max(1, int(std::lround(seconds * double(lastSampleRate))));
    Take(silence);
}

bool MeterReadings::AtRest() const
{
    for (const Level& level : levels) {
        if (level.peakDb > kFloorDb || level.rmsDb > kFloorDb) {
            return false;
        }
    }
    return !hasCorrelation;
}

void MeterReadings::UpdatePeak(Level& level, double peak, double seconds)
{
    const double db = ToDb(peak, kFloorDb);
    if (peak > 1.0) {
        level.clipped = true;
    }
    if (db >= level.peakDb) {
        level.peakDb = db;
        level.holdLeft = kPeakHoldSeconds;
        return;
    }
    double falling = seconds;
    if (level.holdLeft >= seconds) {
        level.holdLeft -= seconds;
        falling = 0.0;
    } else {
        falling -= level.holdLeft;
        level.holdLeft = 0.0;
    }
    level.peakDb = std::max(db, std::max(kFloorDb, level.peakDb - kPeakFallDbPerSecond * falling));
}

void MeterReadings::Take(const MeterSlice& slice)
{
    if (slice.frames <= 0 || !(slice.sampleRate > 0.0f)) {
        return;
    }
    const double seconds = double(slice.frames) / double(slice.sampleRate);
    lastSliceSeconds = seconds;
    lastSampleRate = slice.sampleRate;

    AllocateHistory();
    historyNewest = (historyNewest + 1) % kHistory;
    historyCount = std::min(historyCount + 1, kHistory);
    Sums& sums = history[size_t(historyNewest)];
    historySeconds[size_t(historyNewest)] = seconds;
    sums.frames = slice.frames;
    sums.squares[kInputLeft] = Sane(slice.inputSquares[0]);
    sums.squares[kInputRight] = Sane(slice.inputSquares[1]);
    sums.squares[kOutputLeft] = Sane(slice.outputSquares[0]);
    sums.squares[kOutputRight] = Sane(slice.outputSquares[1]);
    sums.product = std::isfinite(slice.outputProduct) ? double(slice.outputProduct) : 0.0;

    const double peaks[kChannels] = {slice.inputPeak[0], slice.inputPeak[1], slice.outputPeak[0], slice.outputPeak[1]};
    const Sums rms = WindowSums(kRmsSeconds);
    for (int c = 0; c < kChannels; ++c) {
        UpdatePeak(levels[c], Sane(peaks[c]), seconds);
        levels[c].rmsDb = ToDb(std::sqrt(rms.squares[c] / rms.frames), kFloorDb);
    }

    const Sums window = WindowSums(kCorrelationSeconds);
    const double silentSquares = window.frames * std::pow(10.0, kSilenceDb / 10.0);
    const double l2 = window.squares[kOutputLeft];
    const double r2 = window.squares[kOutputRight];
    const bool leftSilent = l2 <= silentSquares;
    const bool rightSilent = r2 <= silentSquares;
    hasCorrelation = !(leftSilent && rightSilent);
    if (!hasCorrelation || leftSilent || rightSilent) {
        // One silent channel is unrelated to the other.
        correlation = 0.0;
    } else {
        correlation = std::clamp(window.product / std::sqrt(l2 * r2), -1.0, 1.0);
    }

    UpdateScopeGain(slice, seconds);
    scope.Fade(seconds, kScopeFadeSeconds);
    for (int i = 0; i < slice.points; ++i) {
        // Silence leaves the picture dark rather than lighting its centre.
        if (std::fabs(slice.pointLeft[i]) + std::fabs(slice.pointRight[i]) > kScopeQuietSum) {
            scope.Plot(slice.pointLeft[i], slice.pointRight[i], scopeGain);
        }
    }
}

void MeterReadings::UpdateScopeGain(const MeterSlice& slice, double seconds)
{
    double loudest = 0.0;
    for (int i = 0; i < slice.points; ++i) {
        const double l = slice.pointLeft[i], r = slice.pointRight[i];
        const double reach = std::max(std::fabs(0.5 * (l + r)), std::fabs(0.5 * (l - r)));
        if (std::isfinite(reach)) {
            loudest = std::max(loudest, reach);
        }
    }
    const double maxGain = std::pow(10.0, kScopeMaxGainDb / 20.0);
    const double target = loudest > 0.0 ? std::clamp(kScopeTargetRadius / loudest, 1.0, maxGain) : maxGain;
    if (target < scopeGain) {
        scopeGain = target;  // at once, so no point leaves the picture
    } else {
        scopeGain = std::min(target, scopeGain * std::pow(10.0, kScopeRiseDbPerSecond * seconds / 20.0));
    }
    scopeGainDb = 20.0 * std::log10(scopeGain);
}

MeterReadings::Sums MeterReadings::WindowSums(double seconds) const
{
    Sums total;
    double covered = 0.0;
    for (int k = 0; k < historyCount && covered < seconds - 1e-9; ++k) {
        const int index = (historyNewest - k + kHistory) % kHistory;
        const Sums& s = history[size_t(index)];
        total.frames += s.frames;
        for (int c = 0; c < kChannels; ++c) {
            total.squares[c] += s.squares[c];
        }
        total.product += s.product;
        covered += historySeconds[size_t(index)];
    }
    return total;
}
