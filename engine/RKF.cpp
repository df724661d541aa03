#include "engine/RKF.h"

#include <array>
#include <cfenv>
#include <cmath>

#include "base/KNUtils.h"

namespace kinetra {

namespace {

// The Cash-Karp tableau, held as these decimal literals (some differ by an ulp from the nearest
// double of the fraction; the literal is what counts). Stage s is evaluated at x + C[s] h from
// y + h sum_{j<s} A[s][j] k_j; the result is y + h sum B[j] k_j and the error estimate
// h sum E[j] k_j. Zero weights are skipped, not added: 0 * k would turn -0 into +0 and an
// infinite k into NaN.
constexpr int Stages = TRungeKutta::Stages;
constexpr std::array<double, Stages> C = {0, 0.2, 0.3, 0.6, 1, 0.875};
constexpr std::array<std::array<double, Stages - 1>, Stages> A = {{
    {},
    {0.2},
    {0.075, 0.225},
    {0.3, -0.9, 1.2},
    {-0.2037037037037037, 2.5, -2.592592592592593, 1.296296296296296},
    {0.02949580439814815, 0.341796875, 0.04159432870370370, 0.4003454137731481, 0.061767578125},
}};
constexpr std::array<double, Stages> B = {0.09788359788359788, 0, 0.4025764895330113,
                                          0.2104377104377104,  0, 0.2891022021456804};
constexpr std::array<double, Stages> E = {-0.004293774801587302, 0,
                                          0.01866858609385783,   -0.03415502683080808,
                                          -0.01932198660714286,  0.03910220214568041};

constexpr double Safety = 0.9;
constexpr double ShrinkExponent = -0.25;
constexpr double GrowExponent = -0.2;
constexpr double GrowThreshold = 1.89E-4;
constexpr double GrowFactor = 5;
constexpr double ShrinkFloor = 0.1;

constexpr int FloatFailures = FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID;

// MaxNorm of an error vector that also tells whether a component is NaN (MaxNorm itself would
// pass over it, and a NaN estimate must never count as small).
double ErrorNorm(const TVector& v, bool& nan) {
    double m = 0;
    const int n = v.Count();
    for (int i = 0; i < n; ++i) {
        const double a = std::fabs(v[i]);
        if (std::isnan(a)) nan = true;
        if (a > m) m = a;
    }
    return m;
}

}  // namespace

TRungeKutta::TRungeKutta(int n, int dim, double eps) : Dim(dim), Count(n), Eps(eps) {
    YErr.Resize(n, dim);
    YOut.Resize(n, dim);
    YTemp.Resize(n, dim);
    for (TWorkVectors& k : Derivs) k.Resize(n, dim);
}

void TRungeKutta::TrialStep(const TVectorArray& y, const TVectorArray& dydx, double h) {
    const double x0 = StartX;
    // k[s]: the derivatives of stage s, the given dydx for the first one.
    std::array<const TVectorArray*, Stages> k{};
    k[0] = &dydx;
    for (int s = 1; s < Stages; ++s) k[s] = &Derivs[s - 1].View();
    std::array<double, Stages> w{};  // the weights of one sum, times h where the sum has it
    for (int s = 1; s < Stages; ++s) {
        for (int j = 0; j < s; ++j) w[j] = A[s][j] * h;
        for (int i = 0; i < Count; ++i) {
            TVector& t = YTemp[i];
            t.Assign(*y[i]);
            for (int j = 0; j < s; ++j) t.AddScaled(*(*k[j])[i], w[j]);
        }
        OnDerivs(YTemp.View(), *k[s], x0 + C[s] * h);
    }
    for (int j = 0; j < Stages; ++j) w[j] = B[j] * h;
    for (int i = 0; i < Count; ++i) {
        TVector& out = YOut[i];
        out.Assign(*y[i]);
        for (int j = 0; j < Stages; ++j)
            if (B[j] != 0) out.AddScaled(*(*k[j])[i], w[j]);

        TVector& err = YErr[i];
        err.Assign(*dydx[i]);
        err.Scale(E[0]);
        for (int j = 1; j < Stages; ++j)
            if (E[j] != 0) err.AddScaled(*(*k[j])[i], E[j]);
        err.Scale(h);
    }
}

void TRungeKutta::AdaptiveStep(const TVectorArray& y, const TVectorArray& dydx, const TDoubleArray& yscale,
                               double& x, double htry, double& hdid, double& hnext) {
    double h = htry;
    double errmax = 0;
    for (;;) {
        StartX = x;
        TrialStep(y, dydx, h);
        if (std::fetestexcept(FloatFailures)) throw EKNError(MsgCoordinateOutOfRange);
        errmax = 0;
        bool nan = false;
        for (int i = 0; i < Count; ++i) {
            const double e = std::fabs(ErrorNorm(YErr[i], nan) / yscale[i]);
            if (std::isnan(e)) nan = true;
            if (e > errmax) errmax = e;
        }
        errmax = errmax / Eps;
        if (nan || !std::isfinite(errmax)) throw EKNError(MsgCoordinateOutOfRange);
        if (errmax <= 1) break;
        const double htemp = Safety * h * std::pow(errmax, ShrinkExponent);
        if (h >= 0)
            h = std::fmax(htemp, ShrinkFloor * h);
        else
            h = std::fmin(htemp, ShrinkFloor * h);
        if (x + h == x) throw EKNError("Stepsize underflow");
    }
    if (errmax > GrowThreshold)
        hnext = Safety * h * std::pow(errmax, GrowExponent);
    else
        hnext = GrowFactor * h;
    hdid = h;
    x = x + hdid;
    for (int i = 0; i < Count; ++i) y[i]->Assign(YOut[i]);
}

}  // namespace kinetra
