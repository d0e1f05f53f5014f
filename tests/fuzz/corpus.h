// The seeded drivers' inputs: every file of a target's corpus in the tree (the seeds and the
// regression inputs of past findings), then seeded random mutations of them, so the fuzz cases
// run in the normal test run with the same cores as the libFuzzer targets.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fuzzcorpus
{

using Bytes = std::vector<uint8_t>;

inline Bytes read_file(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The corpus files of a target in name order, with their names.
inline std::vector<std::pair<std::string, Bytes>> load(const std::string& target)
{
    std::vector<std::pair<std::string, Bytes>> out;
    const std::filesystem::path dir =
        std::filesystem::path(SPLICER_SOURCE_DIR) / "tests/fuzz/corpus" / target;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        if (e.is_regular_file()) out.emplace_back(e.path().filename().string(), read_file(e.path()));
    std::sort(out.begin(), out.end());
    return out;
}

// A libFuzzer-like mutation: flipped, replaced, inserted, erased, duplicated or spliced bytes,
// and "interesting" values (0, 0xFF, 0x7F, 0x80) at random places; at most max_len long.
inline Bytes mutate(const Bytes& seed, const Bytes& other, std::mt19937& rng, size_t max_len)
{
    Bytes v = seed;
    const int steps = 1 + int(rng() % 6);
    for (int s = 0; s < steps; ++s) {
        const size_t at = v.empty() ? 0 : rng() % v.size();
        switch (rng() % 7) {
        case 0:
            if (!v.empty()) v[at] ^= uint8_t(1u << (rng() % 8));
            break;
        case 1:
            if (!v.empty()) v[at] = uint8_t(rng());
            break;
        case 2:
            v.insert(v.begin() + long(at), uint8_t(rng()));
            break;
        case 3:
            if (!v.empty())
                v.erase(v.begin() + long(at), v.begin() + long(std::min(v.size(), at + 1 + rng() % 16)));
            break;
        case 4:
            if (!v.empty()) {
                const size_t from = rng() % v.size(), n = std::min<size_t>(v.size() - from, 1 + rng() % 32);
                Bytes piece(v.begin() + long(from), v.begin() + long(from + n));
                v.insert(v.begin() + long(at), piece.begin(), piece.end());
            }
            break;
        case 5:
            if (!other.empty()) {
                const size_t from = rng() % other.size();
                v.resize(at);
                v.insert(v.end(), other.begin() + long(from), other.end());
            }
            break;
        default: {
            static const uint8_t special[] = {0, 0xFF, 0x7F, 0x80};
            const size_t n = 1 + rng() % 4;
            for (size_t k = 0; k < n && at + k < v.size(); ++k)
                v[at + k] = special[rng() % 4];
        }
        }
    }
    if (v.size() > max_len) v.resize(max_len);
    return v;
}

// Runs `one` on every corpus file, then on `random_cases` mutations of them (seeded, so a
// failure repeats); `one` returns what went wrong, "" when nothing.
inline void run(const std::string& target, int random_cases, size_t max_len,
                const std::function<std::string(const Bytes&)>& one)
{
    const auto corpus = load(target);
    ASSERT_FALSE(corpus.empty()) << "no corpus for " << target;
    for (const auto& [name, bytes] : corpus)
        ASSERT_EQ(one(bytes), "") << target << " corpus file " << name;
    std::mt19937 rng(20261210);
    for (int k = 0; k < random_cases; ++k) {
        const Bytes& seed = corpus[rng() % corpus.size()].second;
        const Bytes& other = corpus[rng() % corpus.size()].second;
        const Bytes v = mutate(seed, other, rng, max_len);
        ASSERT_EQ(one(v), "") << target << " mutation " << k;
    }
}

} // namespace fuzzcorpus

namespace fuzzcorpus
{

// One target's corpus and mutations through its core, with its test bed made once; the code's
// own printing is kept out of the test's output.
template <class Bed, class Run>
void drive(const std::string& target, int random_cases, size_t max_len, Run one)
{
    auto bed = std::make_unique<Bed>();
    testing::internal::CaptureStdout();
    run(target, random_cases, max_len, [&](const Bytes& v) { return one(*bed, v.data(), v.size()); });
    testing::internal::GetCapturedStdout();
}

} // namespace fuzzcorpus
