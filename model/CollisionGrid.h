// The collision check of many particles in up to 3 dimensions through a grid of cells as wide as
// the largest sum of two radii: only particles of the same or neighbouring cells can touch, so a
// check costs O(N log N) instead of N^2 / 2 distance tests. It finds the pair that the plain loop
// over i < j finds first, with the same distance test.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace kinetra {

class TParticlesList;

class TCollisionGrid {
public:
    // Whether the grid serves this collection (up to 3 dimensions, enough particles to gain).
    static bool Serves(const TParticlesList& particles);
    // The first colliding pair (i < j) in the order of the plain loop over i, then j > i, at the
    // particles' current positions; {-1, -1} when none collides.
    std::pair<int, int> FirstCollision(const TParticlesList& particles);

private:
    struct TEntry {
        std::uint64_t Cell;
        int Index;
    };
    std::vector<TEntry> Entries;       // particles by cell, then index
    std::vector<std::uint64_t> Cells;  // the occupied cells in order
    std::vector<int> Starts;           // Entries of Cells[k]: Starts[k] .. Starts[k + 1]
};

}  // namespace kinetra
