#include "model/ForceTree.h"

#include <atomic>
#include <cmath>
#include <string>

#include "base/KNUtils.h"
#include "model/WorkerPool.h"

namespace kinetra {

namespace {

constexpr int LeafSize = 8;    // a cell of at most this many bodies is not divided
constexpr int GroupSize = 32;  // the bodies that share an interaction list: a cell of at most so many
constexpr int MaxDepth = 60;   // nor one this deep (bodies at one place)

// xx, yy, zz, xy, xz, yz of the second moments as a symmetric matrix.
constexpr int MomentIndex[3][3] = {{0, 3, 4}, {3, 1, 5}, {4, 5, 2}};

}  // namespace

const char* TreeAngleError(double theta) {
    if (!(theta > 0) || !(theta <= MaxTreeAngle))
        return "The opening angle of the force tree must be above 0 and at most 1.5";
    return "";
}

std::string TreeDimensionsError(int dimensions) {
    return "The force tree works in 1, 2 and 3 dimensions, not in " + std::to_string(dimensions);
}

template <class F>
void TForceTree::Share(TWorkerPool* pool, F&& body) {
    struct TJob {
        F* Body;
        int Leaves;
        std::atomic<int> Next{0};
    } job{&body, static_cast<int>(Leaves.size())};
    const auto run = [](void* context, int thread) {
        TJob& j = *static_cast<TJob*>(context);
        for (int b = j.Next.fetch_add(1); b < j.Leaves; b = j.Next.fetch_add(1)) (*j.Body)(b, thread);
    };
    const int threads = pool ? pool->Threads() : 1;
    if (static_cast<int>(Lists.size()) < threads) Lists.resize(static_cast<size_t>(threads));
    if (threads > 1)
        pool->Run(run, &job);
    else
        run(&job, 0);
}

void TForceTree::Build(const TTreeBodies& bodies, const TPairLaw& law, double theta, bool potential) {
    (void)law;
    (void)potential;
    if (Dimensions < 1 || Dimensions > 3) throw EKNError(TreeDimensionsError(Dimensions));
    if (const char* error = TreeAngleError(theta); *error) throw EKNError(error);
    const int n = bodies.Count;
    const size_t dd = static_cast<size_t>(Dimensions);
    P.resize(dd * static_cast<size_t>(n));
    Mass.resize(static_cast<size_t>(n));
    HasCharges = bodies.Charges && bodies.MassCharge;
    Charge.resize(HasCharges ? static_cast<size_t>(n) : 0);
    Q.resize(HasCharges ? static_cast<size_t>(n) : 0);
    bool positive[2] = {false, false};
    bool negative[2] = {false, false};
    for (int i = 0; i < n; ++i) {
        const size_t at = static_cast<size_t>(bodies.Slots ? bodies.Slots[i] : i);
        for (size_t c = 0; c < dd; ++c) P[static_cast<size_t>(i) * dd + c] = bodies.X[c * bodies.Stride + at];
        const double m = bodies.MassCharge ? bodies.MassCharge[2 * static_cast<size_t>(i)] : bodies.M[at];
        Mass[static_cast<size_t>(i)] = m;
        positive[0] = positive[0] || m > 0;
        negative[0] = negative[0] || m < 0;
        if (HasCharges) {
            // A massless body carries no charge.
            const double q = m != 0 ? bodies.MassCharge[2 * static_cast<size_t>(i) + 1] : 0;
            Charge[static_cast<size_t>(i)] = q;
            Q[static_cast<size_t>(i)] = m != 0 ? q / m : 0;
            positive[1] = positive[1] || q > 0;
            negative[1] = negative[1] || q < 0;
        }
    }
    if (positive[0] && negative[0])
        throw EKNError("The force tree needs masses of one sign: masses of both signs cancel in a cell");
    if (positive[1] && negative[1])
        throw EKNError("The force tree needs charges of one sign: charges of both signs cancel in a cell");

    // The root cell: the cube about the bodies' bounding box.
    double low[3] = {0, 0, 0};
    double high[3] = {0, 0, 0};
    for (size_t c = 0; c < dd && n > 0; ++c) {
        low[c] = high[c] = P[c];
        for (int i = 1; i < n; ++i) {
            const double x = P[static_cast<size_t>(i) * dd + c];
            low[c] = x < low[c] ? x : low[c];
            high[c] = x > high[c] ? x : high[c];
        }
    }
    double middle[3] = {0, 0, 0};
    double size = 0;
    for (size_t c = 0; c < dd; ++c) {
        middle[c] = low[c] + (high[c] - low[c]) / 2;
        size = std::max(size, high[c] - low[c]);
    }
    Order.resize(static_cast<size_t>(n));
    Spare.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) Order[static_cast<size_t>(i)] = i;
    Nodes.clear();
    BuildNode(0, n, middle, std::isfinite(size) ? size : 0, 0);
    // The groups: the largest cells of at most GroupSize bodies (or leaves), in tree order.
    Leaves.clear();
    for (size_t k = 0; k < Nodes.size();) {
        if (Nodes[k].Count <= GroupSize || Nodes[k].Leaf) {
            Leaves.push_back(static_cast<int>(k));
            k = static_cast<size_t>(Nodes[k].Next);
        } else {
            ++k;
        }
    }
    Moments(Mass, MassMoments, theta);
    if (HasCharges) Moments(Charge, ChargeMoments, theta);
}

int TForceTree::BuildNode(int first, int count, const double* middle, double size, int depth) {
    const int index = static_cast<int>(Nodes.size());
    TNode node{};
    for (int c = 0; c < 3; ++c) node.Middle[c] = middle[c];
    node.Size = size;
    node.First = first;
    node.Count = count;
    node.Leaf = count <= LeafSize || depth >= MaxDepth || !(size > 0);
    Nodes.push_back(node);
    if (node.Leaf) {
        Nodes[static_cast<size_t>(index)].Next = index + 1;
        return index;
    }
    const size_t dd = static_cast<size_t>(Dimensions);
    const int children = 1 << Dimensions;
    const auto childOf = [&](int body) {
        int b = 0;
        for (size_t c = 0; c < dd; ++c)
            if (P[static_cast<size_t>(body) * dd + c] >= middle[c]) b |= 1 << c;
        return b;
    };
    int counts[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int k = first; k < first + count; ++k) ++counts[childOf(Order[static_cast<size_t>(k)])];
    int starts[8];
    int at = first;
    for (int b = 0; b < children; ++b) {
        starts[b] = at;
        at += counts[b];
    }
    int fill[8];
    for (int b = 0; b < children; ++b) fill[b] = starts[b];
    for (int k = first; k < first + count; ++k) {
        const int body = Order[static_cast<size_t>(k)];
        Spare[static_cast<size_t>(fill[childOf(body)]++)] = body;
    }
    for (int k = first; k < first + count; ++k) Order[static_cast<size_t>(k)] = Spare[static_cast<size_t>(k)];
    for (int b = 0; b < children; ++b) {
        if (counts[b] == 0) continue;
        double m[3] = {0, 0, 0};
        for (size_t c = 0; c < dd; ++c) m[c] = middle[c] + ((b >> c) & 1 ? size / 4 : -size / 4);
        BuildNode(starts[b], counts[b], m, size / 2, depth + 1);
    }
    Nodes[static_cast<size_t>(index)].Next = static_cast<int>(Nodes.size());
    return index;
}

void TForceTree::Moments(const std::vector<double>& weights, std::vector<TMoments>& out, double theta) {
    const size_t dd = static_cast<size_t>(Dimensions);
    out.resize(Nodes.size());
    // A body inside a cell is never farther from its centre than half the cell's diagonal plus
    // the centre's distance from the middle: the opening distance is at least that, so that no
    // body sees its own cell whole.
    const double diagonal = std::sqrt(static_cast<double>(Dimensions)) / 2 * (1 + 1e-9);
    for (size_t index = Nodes.size(); index-- > 0;) {
        const TNode& node = Nodes[index];
        TMoments& m = out[index];
        m = TMoments{};
        if (node.Leaf) {
            for (int k = node.First; k < node.First + node.Count; ++k)
                m.W = m.W + weights[static_cast<size_t>(Order[static_cast<size_t>(k)])];
            if (m.W == 0) continue;
            for (int k = node.First; k < node.First + node.Count; ++k) {
                const size_t j = static_cast<size_t>(Order[static_cast<size_t>(k)]);
                for (size_t c = 0; c < dd; ++c) m.C[c] = m.C[c] + weights[j] * P[j * dd + c];
            }
            for (size_t c = 0; c < dd; ++c) m.C[c] = m.C[c] / m.W;
            for (int k = node.First; k < node.First + node.Count; ++k) {
                const size_t j = static_cast<size_t>(Order[static_cast<size_t>(k)]);
                double s[3] = {0, 0, 0};
                for (size_t c = 0; c < dd; ++c) s[c] = P[j * dd + c] - m.C[c];
                for (size_t a = 0; a < dd; ++a)
                    for (size_t b = a; b < dd; ++b) {
                        double& e = m.M[MomentIndex[a][b]];
                        e = e + weights[j] * (s[a] * s[b]);
                    }
            }
        } else {
            for (size_t c = index + 1; c < static_cast<size_t>(node.Next);
                 c = static_cast<size_t>(Nodes[c].Next))
                m.W = m.W + out[c].W;
            if (m.W == 0) continue;
            for (size_t c = index + 1; c < static_cast<size_t>(node.Next);
                 c = static_cast<size_t>(Nodes[c].Next))
                for (size_t a = 0; a < dd; ++a) m.C[a] = m.C[a] + out[c].W * out[c].C[a];
            for (size_t a = 0; a < dd; ++a) m.C[a] = m.C[a] / m.W;
            for (size_t c = index + 1; c < static_cast<size_t>(node.Next);
                 c = static_cast<size_t>(Nodes[c].Next)) {
                const TMoments& child = out[c];
                if (child.W == 0) continue;
                double s[3] = {0, 0, 0};
                for (size_t a = 0; a < dd; ++a) s[a] = child.C[a] - m.C[a];
                for (size_t a = 0; a < dd; ++a)
                    for (size_t b = a; b < dd; ++b) {
                        double& e = m.M[MomentIndex[a][b]];
                        e = e + (child.M[MomentIndex[a][b]] + child.W * (s[a] * s[b]));
                    }
            }
        }
        double offset = 0;
        for (size_t c = 0; c < dd; ++c)
            offset = offset + (m.C[c] - node.Middle[c]) * (m.C[c] - node.Middle[c]);
        const double open = std::max(node.Size / theta, node.Size * diagonal) + std::sqrt(offset);
        m.Open2 = open * open;
    }
}

template <int D, bool Cube>
void TForceTree::Group(int leaf, int thread, const std::vector<double>& weights,
                       const std::vector<TMoments>& moments, const TPairLaw& law, bool potential, size_t per,
                       size_t offset) {
    const TNode& group = Nodes[static_cast<size_t>(Leaves[static_cast<size_t>(leaf)])];
    if (group.Count == 0) return;
    TLists& lists = Lists[static_cast<size_t>(thread)];
    lists.Cells.clear();
    lists.Bodies.clear();
    // The box of the leaf's bodies.
    double low[D];
    double high[D];
    for (int c = 0; c < D; ++c)
        low[c] = high[c] = P[static_cast<size_t>(Order[static_cast<size_t>(group.First)]) * D + c];
    for (int s = group.First + 1; s < group.First + group.Count; ++s) {
        const double* x = P.data() + static_cast<size_t>(Order[static_cast<size_t>(s)]) * D;
        for (int c = 0; c < D; ++c) {
            low[c] = x[c] < low[c] ? x[c] : low[c];
            high[c] = x[c] > high[c] ? x[c] : high[c];
        }
    }
    const int count = static_cast<int>(Nodes.size());
    for (int index = 0; index < count;) {
        const TNode& node = Nodes[static_cast<size_t>(index)];
        const TMoments& m = moments[static_cast<size_t>(index)];
        if (m.W == 0) {
            index = node.Next;
            continue;
        }
        double gap2 = 0;
        for (int c = 0; c < D; ++c) {
            const double below = low[c] - m.C[c];
            const double above = m.C[c] - high[c];
            const double gap = below > 0 ? below : above > 0 ? above : 0;
            gap2 = gap2 + gap * gap;
        }
        if (gap2 > m.Open2) {
            lists.Cells.push_back(index);
            index = node.Next;
        } else if (node.Leaf) {
            for (int s = node.First; s < node.First + node.Count; ++s) {
                const int j = Order[static_cast<size_t>(s)];
                if (weights[static_cast<size_t>(j)] != 0) lists.Bodies.push_back(j);
            }
            index = node.Next;
        } else {
            ++index;
        }
    }
    const bool logarithm = law.IntegralPower && law.IntExponent == -2;
    const double e = law.Power() - 1;
    const double power1 = law.Power() + 1;
    const auto factor = [&](double d, double d2) { return Cube ? 1 / (d * d2) : law.Factor(d); };
    const auto pairPotential = [&](double d) {
        if (Cube) return -1 / d;
        if (logarithm) return std::log(d);
        if (law.IntegralPower) return IntPower(d, law.IntExponent + 2) / power1;
        return std::pow(d, power1) / power1;
    };
    for (int s = group.First; s < group.First + group.Count; ++s) {
        const int i = Order[static_cast<size_t>(s)];
        const double* r = P.data() + static_cast<size_t>(i) * D;
        double f[D];
        for (int c = 0; c < D; ++c) f[c] = 0;
        double u = 0;
        for (const int index : lists.Cells) {
            const TMoments& m = moments[static_cast<size_t>(index)];
            double R[D];
            double r2 = 0;
            for (int c = 0; c < D; ++c) {
                R[c] = m.C[c] - r[c];
                r2 = r2 + R[c] * R[c];
            }
            const double d = std::sqrt(r2);
            const double h = factor(d, r2);
            const double k = e * h / r2;
            double MR[D];
            double trace = 0;
            double RMR = 0;
            for (int a = 0; a < D; ++a) {
                trace = trace + m.M[MomentIndex[a][a]];
                MR[a] = 0;
                for (int b = 0; b < D; ++b) MR[a] = MR[a] + m.M[MomentIndex[a][b]] * R[b];
                RMR = RMR + R[a] * MR[a];
            }
            if (potential) {
                u = u + (m.W * pairPotential(d) + (h * trace + k * RMR) / 2);
            } else {
                const double l = (e - 2) * k / r2;
                const double along = m.W * h + (k * trace + l * RMR) / 2;
                for (int c = 0; c < D; ++c) f[c] = f[c] + (along * R[c] + k * MR[c]);
            }
        }
        for (const int j : lists.Bodies) {
            if (j == i) continue;
            const double* x = P.data() + static_cast<size_t>(j) * D;
            const double w = weights[static_cast<size_t>(j)];
            double v[D];
            double d2 = 0;
            for (int c = 0; c < D; ++c) {
                v[c] = x[c] - r[c];
                d2 = d2 + v[c] * v[c];
            }
            const double d = std::sqrt(d2);
            if (potential) {
                u = u + w * pairPotential(d);
            } else {
                const double wf = w * factor(d, d2);
                for (int c = 0; c < D; ++c) f[c] = f[c] + wf * v[c];
            }
        }
        double* out = Out.data() + per * static_cast<size_t>(i) + offset;
        if (potential)
            out[0] = u;
        else
            for (int c = 0; c < D; ++c) out[c] = f[c];
    }
}

void TForceTree::Fields(const TPairLaw& law, bool potential, TWorkerPool* pool) {
    const size_t dd = static_cast<size_t>(Dimensions);
    const size_t width = potential ? 1 : dd;
    const size_t per = HasCharges ? 2 * width : width;
    Out.resize(per * Mass.size());
    using TGroup = void (TForceTree::*)(int, int, const std::vector<double>&, const std::vector<TMoments>&,
                                        const TPairLaw&, bool, size_t, size_t);
    constexpr TGroup groups[2][3] = {
        {&TForceTree::Group<1, false>, &TForceTree::Group<2, false>, &TForceTree::Group<3, false>},
        {&TForceTree::Group<1, true>, &TForceTree::Group<2, true>, &TForceTree::Group<3, true>}};
    const TGroup group = groups[law.Cube() ? 1 : 0][Dimensions - 1];
    Share(pool, [&](int leaf, int thread) {
        (this->*group)(leaf, thread, Mass, MassMoments, law, potential, per, 0);
        if (HasCharges) (this->*group)(leaf, thread, Charge, ChargeMoments, law, potential, per, width);
    });
}

void TForceTree::Evaluate(const TTreeBodies& bodies, const TPairLaw& law, double theta, TWorkerPool* pool,
                          double* A) {
    Build(bodies, law, theta, false);
    Fields(law, false, pool);
    const size_t dd = static_cast<size_t>(Dimensions);
    const size_t per = HasCharges ? 2 * dd : dd;
    for (int i = 0; i < bodies.Count; ++i) {
        const double* out = Out.data() + per * static_cast<size_t>(i);
        const size_t at = static_cast<size_t>(bodies.Slots ? bodies.Slots[i] : i);
        for (size_t c = 0; c < dd; ++c) {
            double a = law.G * out[c];
            if (HasCharges && Q[static_cast<size_t>(i)] != 0)
                a = a - (law.K * Q[static_cast<size_t>(i)]) * out[dd + c];
            A[c * bodies.Stride + at] = a;
        }
    }
}

double TForceTree::Potential(const TTreeBodies& bodies, const TPairLaw& law, double theta,
                             TWorkerPool* pool) {
    Build(bodies, law, theta, true);
    Fields(law, true, pool);
    const size_t per = HasCharges ? 2 : 1;
    double U = 0;
    for (int i = 0; i < bodies.Count; ++i) {
        const size_t at = static_cast<size_t>(i);
        double term = law.G * (Mass[at] * Out[per * at]);
        if (HasCharges && Charge[at] != 0) term = term - law.K * (Charge[at] * Out[per * at + 1]);
        U = U + term;
    }
    return U / 2;
}

}  // namespace kinetra
