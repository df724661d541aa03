// TForceTree: the approximate force evaluation of a tree of cells (a binary tree in 1, a quadtree
// in 2, an octree in 3 dimensions). Each cell keeps, for the masses and (when there are charges)
// for the charges, its total, its centre and its second moments about the centre; a body sees a
// cell from far enough away (farther than the cell's side over the opening angle θ, plus the
// distance of the centre from the cell's middle) as that total at the centre plus the quadrupole
// correction, and the bodies of a nearer leaf one by one. Works for any power of distance: for the
// pair factor h(r) = r^(p-1) of the power p, a cell of total W, centre c and second moments M adds
//   W h R + k (M R) + (k tr M + l R.M.R) R / 2,    R = c - r,  k = (p-1) h / r², l = (p-3) k / r²
// to the field at r, and to the potential W g(r) + (h tr M + k R.M.R) / 2 (g the pair potential).
//
// The total of a cell must not cancel: the masses, and the charges, must each have one sign.
// The build (cell order, body order in a cell) depends on the positions only, and each body's sum
// runs through the cells in one fixed order, so the result has the same bits for any thread count.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/PairLaw.h"

namespace kinetra {

class TWorkerPool;

// The accepted opening angles: above 0, at most this.
constexpr double MaxTreeAngle = 1.5;
// The message of an opening angle out of range, or "" when it is accepted.
const char* TreeAngleError(double theta);
// The message that refuses the tree in `dimensions` dimensions.
std::string TreeDimensionsError(int dimensions);

struct TTreeBodies {
    int Count = 0;
    // Coordinate c of body i at X[c * Stride + (Slots ? Slots[i] : i)].
    const double* X = nullptr;
    size_t Stride = 0;
    const int* Slots = nullptr;
    // Masses and charges in index order, two per body (mass, charge); Charges false: no charges.
    const double* MassCharge = nullptr;
    // Masses per slot when MassCharge is null.
    const double* M = nullptr;
    bool Charges = false;
};

class TForceTree {
public:
    explicit TForceTree(int dimensions) : Dimensions(dimensions) {}

    // The accelerations a_i = G F_m(r_i) - K (q_i / m_i) F_q(r_i) into A (same layout as X),
    // F_w the field of the weights w. EKNError when the tree cannot be used (dimensions above 3,
    // masses or charges of both signs).
    void Evaluate(const TTreeBodies& bodies, const TPairLaw& law, double theta, TWorkerPool* pool, double* A);
    // The potential energy 1/2 sum_i (G m_i phi_m(r_i) - K q_i phi_q(r_i)) from the same tree.
    double Potential(const TTreeBodies& bodies, const TPairLaw& law, double theta, TWorkerPool* pool);

    // Cells of the last build.
    int Cells() const { return static_cast<int>(Nodes.size()); }

private:
    struct TNode {
        double Middle[3];
        double Size;
        int First;  // bodies Order[First .. First + Count)
        int Count;
        int Next;  // the node after this one's subtree (pre-order)
        bool Leaf;
    };
    struct TMoments {
        double W;
        double C[3];
        double M[6];   // xx, yy, zz, xy, xz, yz
        double Open2;  // squared distance beyond which the cell is seen whole
    };
    void Build(const TTreeBodies& bodies, const TPairLaw& law, double theta, bool potential);
    int BuildNode(int first, int count, const double* middle, double size, int depth);
    void Moments(const std::vector<double>& weights, std::vector<TMoments>& out, double theta);
    // The fields (or potentials) of the weights at the bodies of one leaf, into Out: the cells
    // and bodies that the leaf's bodies see are listed once for the whole leaf (a cell is seen
    // whole when it is far enough from every point of the leaf's box), then each body sums the
    // list in its order.
    template <int D, bool Cube>
    void Group(int leaf, int thread, const std::vector<double>& weights, const std::vector<TMoments>& moments,
               const TPairLaw& law, bool potential, size_t per, size_t offset);
    void Fields(const TPairLaw& law, bool potential, TWorkerPool* pool);
    template <class F>
    void Share(TWorkerPool* pool, F&& body);

    struct TLists {
        std::vector<int> Cells;
        std::vector<int> Bodies;
    };
    int Dimensions;
    std::vector<double> P;       // positions, D per body, index order
    std::vector<double> Mass;    // weights of the masses
    std::vector<double> Charge;  // weights of the charges (empty without charges)
    std::vector<double> Q;       // q_i / m_i (0 for a massless body)
    std::vector<int> Order;      // body indices in tree order
    std::vector<int> Spare;
    std::vector<TNode> Nodes;
    std::vector<TMoments> MassMoments;
    std::vector<TMoments> ChargeMoments;
    std::vector<double> Out;    // per body: field of the masses then of the charges
    std::vector<int> Leaves;    // the leaf nodes in order
    std::vector<TLists> Lists;  // per thread
    bool HasCharges = false;
};

}  // namespace kinetra
