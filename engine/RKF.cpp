#include "engine/RKF.h"

#include <cfenv>
#include <cmath>

#include "engine/KNUtils.h"

namespace kinetra {

namespace {

// Cash-Karp coefficients, held as these decimal literals (some differ by an ulp from the
// nearest double of the fraction; the literal is what counts).
constexpr double c2 = 0.2, c3 = 0.3, c4 = 0.6, c5 = 1, c6 = 0.875;
constexpr double a21 = 0.2;
constexpr double a31 = 0.075, a32 = 0.225;
constexpr double a41 = 0.3, a42 = -0.9, a43 = 1.2;
constexpr double a51 = -0.2037037037037037, a52 = 2.5, a53 = -2.592592592592593, a54 = 1.296296296296296;
constexpr double a61 = 0.02949580439814815, a62 = 0.341796875, a63 = 0.04159432870370370,
                 a64 = 0.4003454137731481, a65 = 0.061767578125;
constexpr double b1 = 0.09788359788359788, b3 = 0.4025764895330113, b4 = 0.2104377104377104,
                 b6 = 0.2891022021456804;
constexpr double e1 = -0.004293774801587302, e3 = 0.01866858609385783, e4 = -0.03415502683080808,
                 e5 = -0.01932198660714286, e6 = 0.03910220214568041;

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

void TRungeKutta::Make(TOwned& owned, TVectorArray& refs, int n, int dim) {
    owned.clear();
    refs.clear();
    for (int i = 0; i < n; ++i) {
        owned.push_back(std::make_unique<TVector>(dim));
        refs.push_back(owned.back().get());
    }
}

TRungeKutta::TRungeKutta(int n, int dim, double eps) : Dim(dim), Count(n), Eps(eps) {
    TVectorArray unused;
    Make(YErr, unused, n, dim);
    Make(YOut, unused, n, dim);
    Make(YTemp, YTempRefs, n, dim);
    Make(K2, K2Refs, n, dim);
    Make(K3, K3Refs, n, dim);
    Make(K4, K4Refs, n, dim);
    Make(K5, K5Refs, n, dim);
    Make(K6, K6Refs, n, dim);
}

void TRungeKutta::TrialStep(const TVectorArray& y, const TVectorArray& dydx, double h) {
    const size_t n = static_cast<size_t>(Count);
    const double x0 = StartX;

    for (size_t i = 0; i < n; ++i) {
        TVector& t = *YTemp[i];
        t.Assign(*y[i]);
        t.AddScaled(*dydx[i], a21 * h);
    }
    OnDerivs(YTempRefs, K2Refs, x0 + c2 * h);

    for (size_t i = 0; i < n; ++i) {
        TVector& t = *YTemp[i];
        t.Assign(*y[i]);
        t.AddScaled(*dydx[i], a31 * h);
        t.AddScaled(*K2[i], a32 * h);
    }
    OnDerivs(YTempRefs, K3Refs, x0 + c3 * h);

    for (size_t i = 0; i < n; ++i) {
        TVector& t = *YTemp[i];
        t.Assign(*y[i]);
        t.AddScaled(*dydx[i], a41 * h);
        t.AddScaled(*K2[i], a42 * h);
        t.AddScaled(*K3[i], a43 * h);
    }
    OnDerivs(YTempRefs, K4Refs, x0 + c4 * h);

    for (size_t i = 0; i < n; ++i) {
        TVector& t = *YTemp[i];
        t.Assign(*y[i]);
        t.AddScaled(*dydx[i], a51 * h);
        t.AddScaled(*K2[i], a52 * h);
        t.AddScaled(*K3[i], a53 * h);
        t.AddScaled(*K4[i], a54 * h);
    }
    OnDerivs(YTempRefs, K5Refs, x0 + c5 * h);

    for (size_t i = 0; i < n; ++i) {
        TVector& t = *YTemp[i];
        t.Assign(*y[i]);
        t.AddScaled(*dydx[i], a61 * h);
        t.AddScaled(*K2[i], a62 * h);
        t.AddScaled(*K3[i], a63 * h);
        t.AddScaled(*K4[i], a64 * h);
        t.AddScaled(*K5[i], a65 * h);
    }
    OnDerivs(YTempRefs, K6Refs, x0 + c6 * h);

    for (size_t i = 0; i < n; ++i) {
        TVector& out = *YOut[i];
        out.Assign(*y[i]);
        out.AddScaled(*dydx[i], b1 * h);
        out.AddScaled(*K3[i], b3 * h);
        out.AddScaled(*K4[i], b4 * h);
        out.AddScaled(*K6[i], b6 * h);

        TVector& err = *YErr[i];
        err.Assign(*dydx[i]);
        err.Scale(e1);
        err.AddScaled(*K3[i], e3);
        err.AddScaled(*K4[i], e4);
        err.AddScaled(*K5[i], e5);
        err.AddScaled(*K6[i], e6);
        err.Scale(h);
    }
}

void TRungeKutta::AdaptiveStep(const TVectorArray& y, const TVectorArray& dydx, const TDoubleArray& yscale,
                               double& x, double htry, double& hdid, double& hnext) {
    const size_t n = static_cast<size_t>(Count);
    double h = htry;
    double errmax = 0;
    for (;;) {
        StartX = x;
        TrialStep(y, dydx, h);
        if (std::fetestexcept(FloatFailures)) throw EKNError(MsgCoordinateOutOfRange);
        errmax = 0;
        bool nan = false;
        for (size_t i = 0; i < n; ++i) {
            const double e = std::fabs(ErrorNorm(*YErr[i], nan) / yscale[i]);
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
    for (size_t i = 0; i < n; ++i) y[i]->Assign(*YOut[i]);
}

}  // namespace kinetra
