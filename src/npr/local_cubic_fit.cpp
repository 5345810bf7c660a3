#include "local_cubic_fit.h"

#include <cmath>

namespace {

constexpr int terms = 10; // 1, u, v, u^2, uv, v^2, u^3, u^2 v, u v^2, v^3
using Basis = std::array<double, terms>;
using Matrix = std::array<std::array<double, terms>, terms>;

Basis basisAt(int k)
{
    const double u = k % fitWindowSide - 2, v = k / fitWindowSide - 2;
    return {1.0, u, v, u * u, u * v, v * v, u * u * u, u * u * v, u * v * v, v * v * v};
}

// Factors the normal matrix in place (lower Cholesky factor); false when a
// pivot falls below 1e-6 of its diagonal entry: the samples then leave a
// combination of the terms undetermined.
bool factor(Matrix& n)
{
    for (int i = 0; i < terms; ++i) {
        for (int j = 0; j <= i; ++j) {
            double s = n[i][j];
            for (int k = 0; k < j; ++k)
                s -= n[i][k] * n[j][k];
            if (i == j) {
                if (!(s > 1e-6 * n[i][i]))
                    return false;
                n[i][i] = std::sqrt(s);
            } else {
                n[i][j] = s / n[j][j];
            }
        }
    }
    return true;
}

// Solves L L^T x = b for the factor of `factor`.
Basis solve(const Matrix& l, Basis b)
{
    for (int i = 0; i < terms; ++i) {
        for (int k = 0; k < i; ++k)
            b[i] -= l[i][k] * b[k];
        b[i] /= l[i][i];
    }
    for (int i = terms - 1; i >= 0; --i) {
        for (int k = i + 1; k < terms; ++k)
            b[i] -= l[k][i] * b[k];
        b[i] /= l[i][i];
    }
    return b;
}

// Polynomial coefficients to derivatives at the centre.
CubicJet jetOf(const Basis& a)
{
    return {a[1], a[2], 2.0 * a[3], a[4], 2.0 * a[5], 6.0 * a[6], 2.0 * a[7], 2.0 * a[8], 6.0 * a[9]};
}

Matrix normalMatrix(const std::array<bool, fitWindowSamples>& use)
{
    Matrix n{};
    for (int k = 0; k < fitWindowSamples; ++k) {
        if (!use[k])
            continue;
        const Basis p = basisAt(k);
        for (int i = 0; i < terms; ++i)
            for (int j = 0; j <= i; ++j)
                n[i][j] += p[i] * p[j];
    }
    for (int i = 0; i < terms; ++i)
        for (int j = i + 1; j < terms; ++j)
            n[i][j] = n[j][i];
    return n;
}

// weights[t][k]: the share of sample k in coefficient t of a whole window.
struct WholeWindowWeights {
    std::array<std::array<double, fitWindowSamples>, terms> weights{};

    WholeWindowWeights()
    {
        std::array<bool, fitWindowSamples> all;
        all.fill(true);
        Matrix l = normalMatrix(all);
        factor(l); // the whole window always determines a cubic
        for (int k = 0; k < fitWindowSamples; ++k) {
            const Basis column = solve(l, basisAt(k));
            for (int t = 0; t < terms; ++t)
                weights[t][k] = column[t];
        }
    }
};

} // namespace

CubicJet fitWholeWindow(const std::array<double, fitWindowSamples>& z)
{
    static const WholeWindowWeights fit;
    Basis a{};
    for (int t = 1; t < terms; ++t) {
        double s = 0.0;
        for (int k = 0; k < fitWindowSamples; ++k)
            s += fit.weights[t][k] * z[k];
        a[t] = s;
    }
    return jetOf(a);
}

bool fitPartialWindow(const std::array<double, fitWindowSamples>& z, const std::array<bool, fitWindowSamples>& use,
                      CubicJet& jet)
{
    int count = 0;
    for (const bool u : use)
        count += u;
    if (count < 15)
        return false;
    Matrix l = normalMatrix(use);
    if (!factor(l))
        return false;
    Basis b{};
    for (int k = 0; k < fitWindowSamples; ++k) {
        if (!use[k])
            continue;
        const Basis p = basisAt(k);
        for (int t = 0; t < terms; ++t)
            b[t] += p[t] * z[k];
    }
    jet = jetOf(solve(l, b));
    return true;
}
