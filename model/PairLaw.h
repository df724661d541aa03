// The force law as the machine that evaluates it sees it: G, k and the power of distance, handed
// by TForce (Forces.h, where the law is stated) to TForceEvaluator (ForceEvaluator.h) and on to the
// pair kernel (ForceKernel.h). Nothing here knows of particles, threads or storage.
#pragma once

#include <cmath>

namespace kinetra {

// d^n by repeated squaring; a negative n gives the reciprocal of the positive power, n = 0
// gives 1. The operation order is fixed so that every build gives the same bits.
inline double IntPower(double d, int n) {
    double result = 1;
    double b = d;
    // |n| as unsigned so that INT_MIN has a magnitude too.
    unsigned e = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    while (e > 0) {
        if (e & 1u) result = result * b;
        e >>= 1;
        if (e > 0) b = b * b;
    }
    if (n < 0) result = 1 / result;
    return result;
}

struct TPairLaw {
    double G = 1;
    double K = 0;
    // The power of distance minus 1: IntExponent when IntegralPower, else RealExponent.
    bool IntegralPower = true;
    int IntExponent = -3;
    double RealExponent = 0;

    double Power() const { return IntegralPower ? static_cast<double>(IntExponent) + 1 : RealExponent + 1; }
    // d^(Power - 1), the factor of the pair terms.
    double Factor(double d) const {
        return IntegralPower ? IntPower(d, IntExponent) : std::pow(d, RealExponent);
    }
    // Power = -2: the factor is 1 / (d (d d)), the same bits as IntPower(d, -3).
    bool Cube() const { return IntegralPower && IntExponent == -3; }
};

}  // namespace kinetra
