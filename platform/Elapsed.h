#pragma once
// Seconds measured on the steady clock, for the components that choose between two ways by what
// each took.

#include <chrono>

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
