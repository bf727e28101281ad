#pragma once

// Shared by the benchmark programs: runs a case several times and prints one
// table row, "BENCH<TAB>case<TAB>median seconds<TAB>peak RSS MiB", which
// scripts/bench gathers into its table.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

// A size in MiB from /proc/self/status: VmHWM, the peak resident set size
// since the last resetPeakRss(), or VmRSS, the resident set size now.
inline double statusMiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
        std::getline(status, key);
    }
    return 0;
}

inline double peakRssMiB() { return statusMiB("VmHWM:"); }
inline double rssMiB() { return statusMiB("VmRSS:"); }

// Lowers the peak resident set size to what the process holds now, so the
// next case's peak is its own and not an earlier case's.
inline void resetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Runs setup() then body() runs times; reports the median time of body()
// and the peak resident set size reached while the case ran.
template <typename Setup, typename Body>
double measure(const char* name, int runs, Setup setup, Body body)
{
    resetPeakRss();
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        setup();
        const auto start = std::chrono::steady_clock::now();
        body();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("BENCH\t%s\t%.4f\t%.1f\n", name, median, peakRssMiB());
    std::fflush(stdout);
    return median;
}

template <typename Body>
double measure(const char* name, int runs, Body body)
{
    return measure(name, runs, [] {}, body);
}

// Runs body() runs times, each giving a number of seconds it measured
// itself, and reports their median as measure() does.
template <typename Body>
double measureEach(const char* name, int runs, Body body)
{
    resetPeakRss();
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i)
        seconds.push_back(body());
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("BENCH\t%s\t%.4f\t%.1f\n", name, median, peakRssMiB());
    std::fflush(stdout);
    return median;
}

} // namespace bench
