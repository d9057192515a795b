#pragma once
// The download window's progress texts and figures, window-free.
#include <cstdint>
#include <string>

namespace downloader {

// "512 Bytes", "2.00 KB", "3.00 MB" (from 1024 bytes on KB, from 1048576 on MB; MB grouped as
// "1,234.56 MB").
std::string ByteConversion(double numberOfBytes);
// "HH:MM:SS" of whole seconds; hours go past 23 rather than wrap.
std::string ConvertTime(double seconds);

// The rate and remaining-time figures of the 2.5-second tick, over the time that really passed.
struct RateTick {
    double bytesPerSecond = 0;
    bool hasEstimate = false;
    double remainingSeconds = 0;
};
RateTick ComputeRate(std::uint64_t received, std::uint64_t previous, double seconds, std::uint64_t total);
// The overall percentage (0..100; 100 for an empty file).
int Percent(std::uint64_t received, std::uint64_t total);

}  // namespace downloader
