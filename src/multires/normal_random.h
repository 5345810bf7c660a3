// Standard normal deviates by the Ziggurat method (128 strips) over the
// 3-shift-register generator SHR3. The generator is deterministic: the same
// start state gives the same stream, so a refinement can be repeated exactly.
#ifndef NORMAL_RANDOM_H
#define NORMAL_RANDOM_H

#include <cstddef>
#include <cstdint>

class NormalRandom {
public:
    static constexpr std::uint32_t startState = 123456789u;
    static constexpr std::size_t strips = 128;

    // Next raw 32-bit value.
    std::uint32_t shr3();
    // Mixes the seed into the running state (it does not reset it). The strip
    // tables are the same for every seed and are built once, on first use.
    void seedGaussian(std::uint32_t seed);
    float gaussian();
    // Slow path of gaussian(): the base strip's tail and the wedges.
    float gaussianTail();

    // Acceptance threshold of a strip.
    static std::uint32_t kn(std::size_t strip);

private:
    std::uint32_t state_ = startState;
    std::int32_t hz_ = 0;
    std::uint32_t iz_ = 0;
};

// The one generator of the process; every grid draws from it.
NormalRandom& sharedNormalRandom();

#endif
