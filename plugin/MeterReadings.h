// The editor's side of the meters: reads the audio thread's slices and turns them into
// what the meters show, with every window and ballistic counted in audio time (the
// slices' own durations), so the readings do not depend on the host's block size,
// sample rate or the editor's timer.
#pragma once

#include <cstdint>
#include <vector>

#include "MeterRing.h"

// Persistence picture of the vectorscope: a grid of brightness values in [0, 1] that
// fade exponentially and are set to full where a point lands. Mid (L + R) / 2 points
// up, side (L - R) / 2 to the left, so a left-only signal leans to the upper left.
class ScopeTrace {
public:
    // The grid is allocated by the first Clear: an instance whose editor never opens
    // holds none. Until then every cell reads 0 and Plot does nothing.
    ScopeTrace(int width, int height);
    void Clear();
    void Fade(double seconds, double timeConstant);
    // One sample pair at the given gain: full scale times gain reaches the grid's edge.
    void Plot(double left, double right, double gain, float brightness = 1.0f);
    // The grid position of a sample pair, as Plot uses it; false outside the grid.
    bool Position(double left, double right, double gain, int& x, int& y) const;
    int Width() const { return width; }
    int Height() const { return height; }
    float At(int x, int y) const { return cells.empty() ? 0.0f : cells[size_t(y * width + x)]; }

private:
    int width;
    int height;
    std::vector<float> cells;
};

class MeterReadings {
public:
    static constexpr double kCorrelationSeconds = 0.1;
    static constexpr double kRmsSeconds = 0.3;
    static constexpr double kPeakHoldSeconds = 1.5;
    static constexpr double kPeakFallDbPerSecond = 20.0;
    static constexpr double kSilenceDb = -90.0;   // both channels below: "no signal"
    static constexpr double kFloorDb = -120.0;    // the lowest level a reading takes
    static constexpr double kScopeFadeSeconds = 0.1;  // time constant: points fade out over about 0.3 s
    static constexpr double kScopeMaxGainDb = 40.0;
    static constexpr double kScopeRiseDbPerSecond = 6.0;
    static constexpr double kScopeQuietSum = 1e-6;  // |L| + |R| below it (-120 dBFS) is not plotted
    static constexpr double kScopeTargetRadius = 0.8;  // of the grid's half size, for the loudest recent point

    enum Channel { kInputLeft = 0, kInputRight, kOutputLeft, kOutputRight, kChannels };

    struct Level {
        double peakDb = kFloorDb;  // with hold and fall
        double rmsDb = kFloorDb;
        bool clipped = false;       // a sample above 0 dBFS since the last ClearClip
        double holdLeft = 0.0;      // seconds of hold before the fall
    };

    MeterReadings(int scopeWidth, int scopeHeight);

    // Forgets every reading and every slice waiting in the ring (when an editor opens).
    // The first Restart or Take allocates the history and the scope's grid.
    void Restart(MeterRing& ring);
    // Takes every slice waiting in the ring; true when anything changed.
    bool Consume(MeterRing& ring);
    // One slice, as Consume takes it.
    void Take(const MeterSlice& slice);
    // Slices that were overwritten before they were read count as time passing.
    void SkipTime(double seconds);
    // Time passing without audio (a host that stopped processing): read as silence.
    void TakeSilence(double seconds);
    // Nothing left to fall, fade or show: every level at the floor, no signal.
    bool AtRest() const;

    const Level& LevelOf(Channel channel) const { return levels[channel]; }
    void ClearClip(Channel channel) { levels[channel].clipped = false; }
    // False for "no signal": both output channels below -90 dBFS over the window.
    bool HasCorrelation() const { return hasCorrelation; }
    double Correlation() const { return correlation; }
    double ScopeGainDb() const { return scopeGainDb; }
    const ScopeTrace& Scope() const { return scope; }
    uint64_t DroppedSlices() const { return dropped; }

private:
    struct Sums {
        double frames = 0.0;
        double squares[kChannels] = {0.0, 0.0, 0.0, 0.0};
        double product = 0.0;
    };
    // Window sums over the newest slices covering at least `seconds`.
    Sums WindowSums(double seconds) const;
    void UpdatePeak(Level& level, double peak, double seconds);
    void UpdateScopeGain(const MeterSlice& slice, double seconds);

    Level levels[kChannels];
    bool hasCorrelation = false;
    double correlation = 0.0;
    double scopeGain = 1.0;
    double scopeGainDb = 0.0;
    ScopeTrace scope;
    uint64_t dropped = 0;
    void AllocateHistory();

    // The newest slices' sums, newest last, as a ring of kHistory (empty until used).
    static constexpr int kHistory = 512;
    std::vector<Sums> history;
    std::vector<double> historySeconds;
    int historyNewest = 0;
    int historyCount = 0;
    double lastSliceSeconds = 0.005;
    float lastSampleRate = 48000.0f;
};
