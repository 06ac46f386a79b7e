#pragma once

// The platform C runtime's rand(), reproduced so that shade patterns come out
// the same on every build and can be checked value by value.

#include <cstdint>

namespace corvane {

class RuntimeRandom {
public:
    // The runtime starts every thread at 1.
    explicit RuntimeRandom(std::uint32_t seed = 1) : m_state(seed) {}

    void Seed(std::uint32_t seed) { m_state = seed; }
    std::uint32_t State() const { return m_state; }

    // 0 to kMax.
    std::int32_t Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<std::int32_t>((m_state >> 16) & 0x7FFFu);
    }

    static constexpr std::int32_t kMax = 32767;

private:
    std::uint32_t m_state;
};

// The calling thread's generator, starting at 1 like the runtime's. Every
// piece of code on the user-interface thread that draws shades takes its
// numbers from here, so a pattern depends on what was generated before it.
RuntimeRandom& ThreadRandom();

} // namespace corvane
