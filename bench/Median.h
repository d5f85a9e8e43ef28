#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

// The middle of the timings (the upper of the two middles for an even count).
inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds `f` takes: the median of `runs` runs.
template <typename F> double medianMs(int runs, F f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(times);
}
