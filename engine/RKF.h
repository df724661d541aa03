// TRungeKutta: an embedded Runge-Kutta pair with an adaptive step for y' = f(x, y), where the
// state y is n vectors of equal length. It knows nothing of particles: the simulation packs
// positions and velocities into y and computes f through OnDerivs.
//
// Coefficients: the fifth/fourth-order pair of Cash and Karp; the fifth-order result is kept and
// the difference of the two orders is the error estimate. Error measure of a trial step:
//   errmax = max_i |MaxNorm(YErr_i) / yscale_i| / Eps.
// Step rule: accepted when errmax <= 1; a rejected step retries with
//   h := 0.9 h errmax^-0.25, shrinking by at most a factor 10, and fails with
//   "Stepsize underflow" when x + h no longer differs from x;
// the next trial step is 0.9 h errmax^-0.2, or 5 h when errmax <= 1.89E-4.
// A trial step whose error estimate is not finite (or that raised a floating-point overflow,
// division by zero or invalid operation) ends the step with "Coordinate out of range": no
// smaller step would make it acceptable, and retrying would never end.
#pragma once

#include <array>
#include <functional>

#include "base/Vector.h"

namespace kinetra {

class TRungeKutta {
public:
    // dydx := f(x, y); must not change y.
    using TDerivsEvent = std::function<void(const TVectorArray& y, const TVectorArray& dydx, double x)>;

    TRungeKutta(int n, int dim, double eps);

    int Dim;
    int Count;
    double StartX = 0;
    double Eps;
    TDerivsEvent OnDerivs;

    // One Cash-Karp step of size h from (StartX, y) with stage-1 derivative dydx; fills YOut
    // and YErr; y is unchanged.
    void TrialStep(const TVectorArray& y, const TVectorArray& dydx, double h);
    // One accepted step: y and x advanced; hdid the step taken, hnext the proposed next one.
    void AdaptiveStep(const TVectorArray& y, const TVectorArray& dydx, const TDoubleArray& yscale, double& x,
                      double htry, double& hdid, double& hnext);

    const TVector& Err(int i) const { return YErr[i]; }
    const TVector& Out(int i) const { return YOut[i]; }

    static constexpr int Stages = 6;

private:
    TWorkVectors YErr, YOut, YTemp;
    std::array<TWorkVectors, Stages - 1> Derivs;  // stages 1..5
};

}  // namespace kinetra
