#include "normal_random.h"

#include <array>
#include <cmath>

namespace {

struct ZigguratTables {
    std::array<std::uint32_t, NormalRandom::strips> kn{};
    std::array<float, NormalRandom::strips> wn{};
    std::array<float, NormalRandom::strips> fn{};
};

// The published normal set-up: dn is the start of the right tail, vn the
// area of every strip.
ZigguratTables buildTables()
{
    const double m1 = 2147483648.0;
    const double vn = 9.91256303526217e-3;
    double dn = 3.442619855899;
    double tn = dn;
    ZigguratTables t;
    const double q = vn / std::exp(-0.5 * dn * dn);
    t.kn[0] = static_cast<std::uint32_t>((dn / q) * m1);
    t.kn[1] = 0;
    t.wn[0] = static_cast<float>(q / m1);
    t.wn[127] = static_cast<float>(dn / m1);
    t.fn[0] = 1.0f;
    t.fn[127] = static_cast<float>(std::exp(-0.5 * dn * dn));
    for (std::size_t i = 126; i >= 1; --i) {
        dn = std::sqrt(-2.0 * std::log(vn / dn + std::exp(-0.5 * dn * dn)));
        t.kn[i + 1] = static_cast<std::uint32_t>((dn / tn) * m1);
        tn = dn;
        t.fn[i] = static_cast<float>(std::exp(-0.5 * dn * dn));
        t.wn[i] = static_cast<float>(dn / m1);
    }
    return t;
}

const ZigguratTables& tables()
{
    static const ZigguratTables t = buildTables();
    return t;
}

bool insideStrip(std::int32_t hz, std::uint32_t iz)
{
    return std::fabs(static_cast<double>(hz)) < static_cast<double>(tables().kn[iz]);
}

} // namespace

std::uint32_t NormalRandom::shr3()
{
    const std::uint32_t old = state_;
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return old + state_;
}

void NormalRandom::seedGaussian(std::uint32_t seed)
{
    state_ ^= seed;
}

std::uint32_t NormalRandom::kn(std::size_t strip)
{
    return tables().kn[strip];
}

float NormalRandom::gaussian()
{
    hz_ = static_cast<std::int32_t>(shr3());
    iz_ = static_cast<std::uint32_t>(hz_) & 127u;
    if (insideStrip(hz_, iz_))
        return static_cast<float>(hz_) * tables().wn[iz_];
    return gaussianTail();
}

float NormalRandom::gaussianTail()
{
    const ZigguratTables& t = tables();
    const float r = 3.442620f;
    auto uniform = [this] { return 0.5 + static_cast<std::int32_t>(shr3()) * 2.328306e-10; };
    for (;;) {
        float x = static_cast<float>(hz_) * t.wn[iz_];
        if (iz_ == 0) {
            float y;
            do {
                x = static_cast<float>(-std::log(uniform()) * 0.2904764);
                y = static_cast<float>(-std::log(uniform()));
            } while (y + y < x * x);
            return hz_ > 0 ? r + x : -r - x;
        }
        if (t.fn[iz_] + uniform() * (t.fn[iz_ - 1] - t.fn[iz_]) < std::exp(-0.5 * x * x))
            return x;
        hz_ = static_cast<std::int32_t>(shr3());
        iz_ = static_cast<std::uint32_t>(hz_) & 127u;
        if (insideStrip(hz_, iz_))
            return static_cast<float>(hz_) * t.wn[iz_];
    }
}

NormalRandom& sharedNormalRandom()
{
    static NormalRandom generator;
    return generator;
}
