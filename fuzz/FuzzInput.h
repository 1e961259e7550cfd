// Typed values read from a fuzzer's bytes. Past the end every read gives zero, so a
// short input is simply a short script.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : bytes(data), remaining(size) {}

    bool Empty() const { return remaining == 0; }
    size_t Remaining() const { return remaining; }

    uint8_t Byte() {
        if (remaining == 0) return 0;
        --remaining;
        return *bytes++;
    }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
    bool Bool() { return (Byte() & 1) != 0; }

    // A value in [low, high], both included.
    int64_t IntIn(int64_t low, int64_t high) {
        if (high <= low) return low;
        const uint64_t span = static_cast<uint64_t>(high - low) + 1;
        const uint64_t raw = span <= 0x10000 ? U16() : (static_cast<uint64_t>(U32()) << 16) | U16();
        return low + static_cast<int64_t>(raw % span);
    }

    // Any bit pattern, NaN and infinities included.
    double AnyDouble() {
        uint64_t raw = static_cast<uint64_t>(U32()) | (static_cast<uint64_t>(U32()) << 32);
        double value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
    }
    // 0 to 1 in 65536 steps.
    double Unit() { return U16() / 65535.0; }

    // A normalized value as a host may send it: mostly in range, sometimes out of it or
    // not a number at all.
    double HostNormalized() {
        switch (Byte() % 8) {
        case 0: return AnyDouble();
        case 1: return Unit() * 4.0 - 2.0;
        default: return Unit();
        }
    }

    // A sample rate as a host may give it: the usual ones, nonsense, or any bit pattern.
    double HostRate() {
        static const double rates[] = {44100.0, 48000.0, 96000.0, 192000.0, 8000.0, 1.0, 0.0, -48000.0, 1e12,
                                       std::numeric_limits<double>::infinity(), std::nan("")};
        const uint8_t pick = Byte();
        if (pick < sizeof rates / sizeof rates[0]) return rates[pick];
        return AnyDouble();
    }

    // A finite audio sample within ±4, now and then a denormal.
    double Sample() {
        const int16_t raw = static_cast<int16_t>(U16());
        if ((raw & 0xFF) == 0x7F) return raw * 1e-310;
        return raw / 8192.0;
    }

    std::vector<uint8_t> Bytes(size_t count) {
        if (count > remaining) count = remaining;
        std::vector<uint8_t> out(bytes, bytes + count);
        bytes += count;
        remaining -= count;
        return out;
    }
    // Up to `maximum` bytes as text, without a terminator inside.
    std::string Text(size_t maximum) {
        const size_t length = static_cast<size_t>(IntIn(0, static_cast<int64_t>(maximum)));
        std::string text;
        for (size_t i = 0; i < length && remaining > 0; ++i) {
            const char c = static_cast<char>(Byte());
            text.push_back(c == 0 ? ' ' : c);
        }
        return text;
    }

private:
    const uint8_t* bytes;
    size_t remaining;
};
