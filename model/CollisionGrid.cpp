#include "model/CollisionGrid.h"

#include <algorithm>
#include <cmath>

#include "model/Particles.h"

namespace kinetra {

namespace {

constexpr int GridFrom = 64;      // fewer particles: the plain loop is as quick
constexpr int Bits = 21;          // bits of a cell coordinate in the packed cell number
constexpr double Span = 1 << 20;  // cells along the widest extent at most
constexpr std::uint64_t Mask = (std::uint64_t{1} << Bits) - 1;

bool Touch(const TParticle& a, const TParticle& b) {
    return a.Position.Distance(b.Position) < a.Radius() + b.Radius();
}

std::pair<int, int> PlainFirst(const TParticlesList& particles) {
    const int n = particles.Count();
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (Touch(particles.Particles(i), particles.Particles(j))) return {i, j};
    return {-1, -1};
}

}  // namespace

bool TCollisionGrid::Serves(const TParticlesList& particles) {
    return particles.Dimensions() <= 3 && particles.Count() >= GridFrom;
}

std::pair<int, int> TCollisionGrid::FirstCollision(const TParticlesList& particles) {
    const int n = particles.Count();
    const int dims = particles.Dimensions();
    if (!Serves(particles)) return PlainFirst(particles);
    // The extent of the particles at finite places (others touch nothing: their distances are
    // infinite or NaN) and the largest radius.
    double low[3] = {0, 0, 0};
    double high[3] = {0, 0, 0};
    double largest = 0;
    bool any = false;
    for (int i = 0; i < n; ++i) {
        const TParticle& p = particles.Particles(i);
        bool finite = true;
        for (int c = 0; c < dims; ++c) finite = finite && std::isfinite(p.Position[c]);
        if (!finite) continue;
        for (int c = 0; c < dims; ++c) {
            const double x = p.Position[c];
            low[c] = any ? std::min(low[c], x) : x;
            high[c] = any ? std::max(high[c], x) : x;
        }
        any = true;
        largest = p.Radius() > largest ? p.Radius() : largest;
    }
    if (!any || !(largest > 0)) return {-1, -1};  // no two radii add up to a distance
    double extent = 0;
    for (int c = 0; c < dims; ++c) extent = std::max(extent, high[c] - low[c]);
    // Wider than two of the largest radii (with room for rounding), and at most Span cells along
    // the extent so that every cell coordinate fits its bits.
    const double size = std::max(2 * largest * (1 + 1e-9), extent / Span);
    if (!std::isfinite(size)) return PlainFirst(particles);

    Entries.clear();
    for (int i = 0; i < n; ++i) {
        const TParticle& p = particles.Particles(i);
        bool finite = true;
        for (int c = 0; c < dims; ++c) finite = finite && std::isfinite(p.Position[c]);
        if (!finite) continue;
        std::uint64_t cell = 0;
        for (int c = 0; c < dims; ++c) {
            // From 1, so that the cell below is a coordinate too.
            const auto k = static_cast<std::uint64_t>(std::floor((p.Position[c] - low[c]) / size)) + 1;
            cell |= k << (Bits * c);
        }
        Entries.push_back({cell, i});
    }
    std::sort(Entries.begin(), Entries.end(), [](const TEntry& a, const TEntry& b) {
        return a.Cell != b.Cell ? a.Cell < b.Cell : a.Index < b.Index;
    });
    Cells.clear();
    Starts.clear();
    for (size_t e = 0; e < Entries.size(); ++e)
        if (e == 0 || Entries[e].Cell != Entries[e - 1].Cell) {
            Cells.push_back(Entries[e].Cell);
            Starts.push_back(static_cast<int>(e));
        }
    Starts.push_back(static_cast<int>(Entries.size()));

    std::pair<int, int> first{-1, -1};
    const auto consider = [&](int a, int b) {
        const std::pair<int, int> pair{std::min(a, b), std::max(a, b)};
        if (first.first >= 0 && pair >= first) return;
        if (Touch(particles.Particles(pair.first), particles.Particles(pair.second))) first = pair;
    };
    // Pairs within a cell.
    for (size_t k = 0; k + 1 < Starts.size(); ++k)
        for (int a = Starts[k]; a < Starts[k + 1]; ++a)
            for (int b = a + 1; b < Starts[k + 1]; ++b)
                consider(Entries[static_cast<size_t>(a)].Index, Entries[static_cast<size_t>(b)].Index);
    // Pairs with the neighbouring cells of a larger number (half of the neighbours, so that each
    // pair of cells is seen once): one ordered walk per offset.
    int offsets[3] = {0, 0, 0};
    const int neighbours = dims == 1 ? 3 : dims == 2 ? 9 : 27;
    for (int m = 0; m < neighbours; ++m) {
        std::int64_t delta = 0;
        int rest = m;
        for (int c = 0; c < dims; ++c) {
            offsets[c] = rest % 3 - 1;
            rest /= 3;
            delta += static_cast<std::int64_t>(offsets[c]) *
                     static_cast<std::int64_t>(std::uint64_t{1} << (Bits * c));
        }
        if (delta <= 0) continue;
        size_t other = 0;
        for (size_t k = 0; k < Cells.size(); ++k) {
            const std::uint64_t target = Cells[k] + static_cast<std::uint64_t>(delta);
            // A coordinate that wrapped past its bits names no neighbour.
            bool valid = true;
            for (int c = 0; c < dims; ++c) {
                const std::int64_t from = static_cast<std::int64_t>((Cells[k] >> (Bits * c)) & Mask);
                valid =
                    valid && ((target >> (Bits * c)) & Mask) == static_cast<std::uint64_t>(from + offsets[c]);
            }
            if (!valid) continue;
            while (other < Cells.size() && Cells[other] < target) ++other;
            if (other == Cells.size()) break;
            if (Cells[other] != target) continue;
            for (int a = Starts[k]; a < Starts[k + 1]; ++a)
                for (int b = Starts[other]; b < Starts[other + 1]; ++b)
                    consider(Entries[static_cast<size_t>(a)].Index, Entries[static_cast<size_t>(b)].Index);
        }
    }
    return first;
}

}  // namespace kinetra
