// Inverse normal matrices of the short symmetric-window polynomial fits, computed at compile time
// from their definition (x = -n..n integer abscissae), and the 5-tap Gaussian kernel.
#pragma once

#include <array>
#include <cstddef>

namespace polytab
{

// Inverse of an N x N matrix by Gauss-Jordan with partial pivoting (the normal matrices here are
// small and well conditioned).
template <std::size_t N> constexpr std::array<double, N * N> invert(std::array<double, N * N> a)
{
    std::array<double, N * N> inv{};
    for (std::size_t i = 0; i < N; ++i)
        inv[i * N + i] = 1.0;
    for (std::size_t c = 0; c < N; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < N; ++r) {
            double vr = a[r * N + c] < 0 ? -a[r * N + c] : a[r * N + c];
            double vp = a[p * N + c] < 0 ? -a[p * N + c] : a[p * N + c];
            if (vr > vp) p = r;
        }
        for (std::size_t k = 0; k < N; ++k) {
            double t = a[c * N + k];
            a[c * N + k] = a[p * N + k];
            a[p * N + k] = t;
            t = inv[c * N + k];
            inv[c * N + k] = inv[p * N + k];
            inv[p * N + k] = t;
        }
        double d = a[c * N + c];
        for (std::size_t k = 0; k < N; ++k) {
            a[c * N + k] /= d;
            inv[c * N + k] /= d;
        }
        for (std::size_t r = 0; r < N; ++r) {
            if (r == c) continue;
            double f = a[r * N + c];
            for (std::size_t k = 0; k < N; ++k) {
                a[r * N + k] -= f * a[c * N + k];
                inv[r * N + k] -= f * inv[c * N + k];
            }
        }
    }
    return inv;
}

constexpr double ipow(double x, int p)
{
    double r = 1.0;
    for (int i = 0; i < p; ++i)
        r *= x;
    return r;
}

// Normal matrix of the basis x^(first), x^(first+2), ... (N terms) over x = lo..hi, inverted.
template <std::size_t N> constexpr std::array<double, N * N> parity_inverse(int first, int lo, int hi)
{
    std::array<double, N * N> m{};
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = 0; j < N; ++j)
            for (int x = lo; x <= hi; ++x)
                m[i * N + j] += ipow(x, 2 * first + 2 * int(i + j));
    return invert<N>(m);
}

// Normal matrix of (1, x, x^2) over x = lo..hi, inverted.
constexpr std::array<double, 9> conic_inverse(int lo, int hi)
{
    std::array<double, 9> m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int x = lo; x <= hi; ++x)
                m[std::size_t(i * 3 + j)] += ipow(x, i + j);
    return invert<3>(m);
}

// The three window variants of a half-width h: -h..h, -h..h+1, -(h+1)..h+1.
constexpr std::array<double, 27> conic_variants(int h)
{
    std::array<double, 27> t{};
    const int lo[3] = {-h, -h, -(h + 1)};
    const int hi[3] = {h, h + 1, h + 1};
    for (int v = 0; v < 3; ++v) {
        auto m = conic_inverse(lo[v], hi[v]);
        for (int k = 0; k < 9; ++k)
            t[std::size_t(v * 9 + k)] = m[std::size_t(k)];
    }
    return t;
}

} // namespace polytab

// Even tables: (1, x^2, x^4); odd tables: (x, x^3).
inline constexpr auto ac23 = polytab::parity_inverse<3>(0, -2, 2);
inline constexpr auto ac33 = polytab::parity_inverse<3>(0, -3, 3);
inline constexpr auto ac43 = polytab::parity_inverse<3>(0, -4, 4);
inline constexpr auto ac63 = polytab::parity_inverse<3>(0, -6, 6);
inline constexpr auto ac22 = polytab::parity_inverse<2>(1, -2, 2);
inline constexpr auto ac32 = polytab::parity_inverse<2>(1, -3, 3);
inline constexpr auto ac42 = polytab::parity_inverse<2>(1, -4, 4);
inline constexpr auto ac62 = polytab::parity_inverse<2>(1, -6, 6);
inline constexpr auto ac23_conic = polytab::conic_variants(2);
inline constexpr auto ac33_conic = polytab::conic_variants(3);
inline constexpr auto ac43_conic = polytab::conic_variants(4);
// Sixth-order fit over x = -7..7: even (1, x^2, x^4, x^6) and odd (x, x^3, x^5).
inline constexpr auto aa0 = polytab::parity_inverse<4>(0, -7, 7);
inline constexpr auto aa1 = polytab::parity_inverse<3>(1, -7, 7);
inline constexpr std::array<double, 5> h52 = {0.152469, 0.221841, 0.251379, 0.221841, 0.152469};
inline constexpr double PI = 3.14159265358979323846;
