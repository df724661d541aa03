// The box of the coming motion (bound particles followed on a copy of the state) and the
// accelerations summed directly over the pairs.
#include "engine/MotionFit.h"

#include <algorithm>
#include <cmath>

#include "base/KNConst.h"
#include "engine/SimulationData.h"

namespace kinetra {

void TMotionBox::Include(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (Empty) {
        MinX = MaxX = x;
        MinY = MaxY = y;
        Empty = false;
        return;
    }
    MinX = std::min(MinX, x);
    MaxX = std::max(MaxX, x);
    MinY = std::min(MinY, y);
    MaxY = std::max(MaxY, y);
}

namespace {

// The force law of a setup on flat copies of the positions (particle i's coordinates at
// i * D ... i * D + D - 1), independent of the force model's evaluation state.
class TDirectLaw {
public:
    explicit TDirectLaw(const TSimData& sim) : N(sim.Particles.Count()), D(sim.Particles.Dimensions()) {
        const TForce& force = *sim.Force;
        Law.G = force.GravConstant();
        Law.K = force.CoulombCoeff();
        Law.IntegralPower = force.IntegralPower();
        Law.IntExponent = force.IntExponent();
        Law.RealExponent = force.RealExponent();
        const double k = Law.K;
        Mass.resize(static_cast<size_t>(N));
        Charge.resize(static_cast<size_t>(N));
        for (int i = 0; i < N; ++i) {
            const TParticle& p = sim.Particles.Particles(i);
            Mass[static_cast<size_t>(i)] = p.Mass;
            Charge[static_cast<size_t>(i)] = p.Charge();
            PerPair = PerPair || (k != 0 && p.Charge() != 0);
        }
    }

    int Count() const { return N; }
    int Dims() const { return D; }
    double MassOf(int i) const { return Mass[static_cast<size_t>(i)]; }

    double Coefficient(int i, int j) const {
        const double mi = Mass[static_cast<size_t>(i)], mj = Mass[static_cast<size_t>(j)];
        const double k = Law.K;
        if (PerPair && k != 0 && mi != 0 && mj != 0)
            return Law.G -
                   ((k * Charge[static_cast<size_t>(i)]) * Charge[static_cast<size_t>(j)]) / (mi * mj);
        return Law.G;
    }
    // d^(Power - 1) as the force model computes it.
    double Factor(double d) const { return Law.Factor(d); }
    double Power() const { return Law.Power(); }

    // a := the accelerations at x. Returns the largest pair rate |C| (m_i + m_j) d^(Power - 1),
    // the square of the inverse of the shortest pair time sqrt(d / A).
    double Evaluate(const std::vector<double>& x, std::vector<double>& a) const {
        std::fill(a.begin(), a.end(), 0.0);
        double rate = 0;
        std::vector<double> w(static_cast<size_t>(D));
        for (int i = 1; i < N; ++i) {
            const double* xi = &x[static_cast<size_t>(i * D)];
            for (int j = 0; j < i; ++j) {
                const double mi = Mass[static_cast<size_t>(i)], mj = Mass[static_cast<size_t>(j)];
                if (mi == 0 && mj == 0) continue;
                const double* xj = &x[static_cast<size_t>(j * D)];
                double d2 = 0;
                for (int c = 0; c < D; ++c) {
                    w[static_cast<size_t>(c)] = xj[c] - xi[c];
                    d2 += w[static_cast<size_t>(c)] * w[static_cast<size_t>(c)];
                }
                if (!(d2 > 0)) continue;
                const double f = Factor(std::sqrt(d2));
                const double cf = Coefficient(i, j) * f;
                double* ai = &a[static_cast<size_t>(i * D)];
                double* aj = &a[static_cast<size_t>(j * D)];
                for (int c = 0; c < D; ++c) {
                    ai[c] += cf * mj * w[static_cast<size_t>(c)];
                    aj[c] -= cf * mi * w[static_cast<size_t>(c)];
                }
                rate = std::max(rate, std::abs(cf) * (mi + mj));
            }
        }
        return rate;
    }

private:
    TPairLaw Law;
    int N;
    int D;
    std::vector<double> Mass;
    std::vector<double> Charge;
    bool PerPair = false;
};

double Dot(const double* a, const double* b, int n) {
    double s = 0;
    for (int c = 0; c < n; ++c) s += a[c] * b[c];
    return s;
}

// The outer turning point of the relative orbit (see the header), or 0 when there is none.
double OuterTurningPoint(double d, double energy, double h2, double kappa, double power) {
    const auto phi = [&](double r) {
        return power == -1 ? kappa * std::log(r) : kappa * std::pow(r, power + 1) / (power + 1);
    };
    const auto excess = [&](double r) { return h2 / (2 * r * r) + phi(r) - energy; };
    double inner = d;
    double outer = 2 * d;
    int doublings = 0;
    while (!(excess(outer) >= 0)) {
        if (++doublings > 60 || !std::isfinite(outer)) return 0;
        inner = outer;
        outer *= 2;
    }
    for (int k = 0; k < 60; ++k) {
        const double mid = inner + (outer - inner) / 2;
        if (excess(mid) >= 0)
            outer = mid;
        else
            inner = mid;
    }
    return outer;
}

}  // namespace

TMotionBox MotionExtent(const TSimData& sim, int xDim, int yDim, int follow) {
    TMotionBox box;
    const TParticlesList& particles = sim.Particles;
    const int n = particles.Count();
    const int dims = particles.Dimensions();
    if (xDim < 0 || yDim < 0 || xDim >= dims || yDim >= dims) return box;
    const auto D = static_cast<size_t>(dims);
    std::vector<double> x(static_cast<size_t>(n) * D), v(static_cast<size_t>(n) * D);
    std::vector<bool> visible(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const TParticle& p = particles.Particles(i);
        for (int c = 0; c < dims; ++c) {
            x[static_cast<size_t>(i) * D + static_cast<size_t>(c)] = p.Position[c];
            v[static_cast<size_t>(i) * D + static_cast<size_t>(c)] = p.Velocity[c];
        }
        visible[static_cast<size_t>(i)] = !p.Invisible;
        if (!p.Invisible) box.Include(p.Position[xDim], p.Position[yDim]);
    }

    // Which visible particles are bound, and for how long their paths must be followed.
    const TDirectLaw law(sim);
    const double power = law.Power();
    if (!std::isfinite(power)) return box;
    std::vector<bool> bound(static_cast<size_t>(n), false);
    // Per bound particle: its attractor and how far it may go from the pair's centre of mass.
    std::vector<int> partner(static_cast<size_t>(n), -1);
    std::vector<double> reach(static_cast<size_t>(n), 0.0);
    double horizon = 0;
    std::vector<double> r(D), u(D);
    for (int i = 0; i < n; ++i) {
        if (!visible[static_cast<size_t>(i)]) continue;
        int strongest = -1;
        double pull = 0;
        for (int j = 0; j < n; ++j) {
            if (j == i) continue;
            double d2 = 0;
            for (size_t c = 0; c < D; ++c) {
                const double w = x[static_cast<size_t>(j) * D + c] - x[static_cast<size_t>(i) * D + c];
                d2 += w * w;
            }
            if (!(d2 > 0)) continue;
            const double d = std::sqrt(d2);
            const double a = law.Coefficient(i, j) * law.MassOf(j) * law.Factor(d) * d;
            if (std::isfinite(a) && a > pull) {
                pull = a;
                strongest = j;
            }
        }
        if (strongest < 0) continue;
        const double kappa = law.Coefficient(i, strongest) * (law.MassOf(i) + law.MassOf(strongest));
        if (!(kappa > 0)) continue;
        for (size_t c = 0; c < D; ++c) {
            r[c] = x[static_cast<size_t>(i) * D + c] - x[static_cast<size_t>(strongest) * D + c];
            u[c] = v[static_cast<size_t>(i) * D + c] - v[static_cast<size_t>(strongest) * D + c];
        }
        const double rr = Dot(r.data(), r.data(), dims), uu = Dot(u.data(), u.data(), dims);
        const double ru = Dot(r.data(), u.data(), dims);
        const double d = std::sqrt(rr);
        const double phi = power == -1 ? kappa * std::log(d) : kappa * std::pow(d, power + 1) / (power + 1);
        const double energy = uu / 2 + phi;
        const double h2 = std::max(rr * uu - ru * ru, 0.0);
        if (!std::isfinite(energy) || !std::isfinite(h2)) continue;
        const double R = OuterTurningPoint(d, energy, h2, kappa, power);
        if (!(R > 0)) continue;
        const double period = 2 * ConstPI * std::sqrt(std::pow(R, 1 - power) / kappa);
        if (!std::isfinite(period)) continue;
        bound[static_cast<size_t>(i)] = true;
        partner[static_cast<size_t>(i)] = strongest;
        reach[static_cast<size_t>(i)] = R * (law.MassOf(strongest) / (law.MassOf(i) + law.MassOf(strongest)));
        horizon = std::max(horizon, period);
    }
    if (!(horizon > 0)) return box;
    int followed = static_cast<int>(std::count(bound.begin(), bound.end(), true));

    // The followed point now and at each step of the look-ahead.
    double totalMass = 0;
    for (int i = 0; i < n; ++i) totalMass += law.MassOf(i);
    const bool followParticle = follow >= 0 && follow < n;
    const bool followCentre = follow == FollowCenterOfMass && totalMass != 0;
    const auto reference = [&](const std::vector<double>& at, int c) {
        if (followParticle) return at[static_cast<size_t>(follow) * D + static_cast<size_t>(c)];
        if (!followCentre) return 0.0;
        double s = 0;
        for (int i = 0; i < n; ++i)
            s += law.MassOf(i) * at[static_cast<size_t>(i) * D + static_cast<size_t>(c)];
        return s / totalMass;
    };
    const double refX0 = reference(x, xDim), refY0 = reference(x, yDim);

    std::vector<double> a(x.size());
    const double pairsPerStep = 0.5 * n * (n - 1.0);
    double pairs = pairsPerStep;
    double rate = law.Evaluate(x, a);
    double t = 0;
    for (int step = 0; step < MaxLookAheadSteps && t < horizon && pairs + pairsPerStep <= MaxLookAheadPairs;
         ++step) {
        if (followed == 0) break;
        const double dt = 0.02 / std::sqrt(rate);
        if (!(dt > 0) || !std::isfinite(dt)) break;
        for (size_t k = 0; k < x.size(); ++k) v[k] += a[k] * (dt / 2);
        for (size_t k = 0; k < x.size(); ++k) x[k] += v[k] * dt;
        rate = law.Evaluate(x, a);
        pairs += pairsPerStep;
        for (size_t k = 0; k < x.size(); ++k) v[k] += a[k] * (dt / 2);
        t += dt;
        const double refX = reference(x, xDim) - refX0, refY = reference(x, yDim) - refY0;
        for (int i = 0; i < n; ++i) {
            const auto k = static_cast<size_t>(i);
            if (!bound[k]) continue;
            // A particle that has gone well beyond its orbit (flung out in a close passage, or
            // through the singular centre of a head-on fall) is no longer followed.
            const auto j = static_cast<size_t>(partner[k]);
            const double mi = law.MassOf(i), mj = law.MassOf(partner[k]);
            double d2 = 0;
            for (size_t c = 0; c < D; ++c) {
                const double centre = (mi * x[k * D + c] + mj * x[j * D + c]) / (mi + mj);
                d2 += (x[k * D + c] - centre) * (x[k * D + c] - centre);
            }
            if (!(d2 <= (1.5 * reach[k]) * (1.5 * reach[k]))) {
                bound[k] = false;
                --followed;
                continue;
            }
            box.Include(x[k * D + static_cast<size_t>(xDim)] - refX,
                        x[k * D + static_cast<size_t>(yDim)] - refY);
        }
    }
    return box;
}

std::vector<TVector> Accelerations(const TSimData& sim, bool initial) {
    const TParticlesList& particles = sim.Particles;
    const int n = particles.Count();
    const int dims = particles.Dimensions();
    const auto D = static_cast<size_t>(dims);
    std::vector<double> x(static_cast<size_t>(n) * D), a(x.size());
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < dims; ++c)
            x[static_cast<size_t>(i) * D + static_cast<size_t>(c)] =
                (initial ? particles.Particles(i).InitialPosition : particles.Particles(i).Position)[c];
    TDirectLaw(sim).Evaluate(x, a);
    std::vector<TVector> result(static_cast<size_t>(n), TVector(dims));
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < dims; ++c)
            result[static_cast<size_t>(i)][c] = a[static_cast<size_t>(i) * D + static_cast<size_t>(c)];
    return result;
}

}  // namespace kinetra
