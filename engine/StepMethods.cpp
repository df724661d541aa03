// One computation cycle of each numerical method. Every update is a TVector operation in a
// fixed order (x := factor*other + x is AddScaled, two roundings), and every factor is read
// left to right as written: (h*h)/6, (2*h)/3, (0.5*h)*h. A run therefore gives the same bits
// on every build.
//
// h = SignedStep; x_i, v_i the particle's Position and Velocity; a_i the acceleration of the
// last force evaluation, which is read (or copied) before the next one.
#include <cfenv>
#include <cmath>

#include "base/KNUtils.h"
#include "engine/RKF.h"
#include "engine/SimulationData.h"

namespace kinetra {

// Euler: x' = x + h v, v' = v + h a(x).
void TSimData::StepEuler() {
    const double h = SignedStep;
    Force->ComputePairTerms();
    const int n = Particles.Count();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        p.Position.AddScaled(p.Velocity, h);
        Force->AddAcceleration(i, h, p.Velocity);
    }
}

// Euler-Cromer: positions first, then the velocities from the forces at the new positions.
void TSimData::StepEulerCromer() {
    const double h = SignedStep;
    const int n = Particles.Count();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        p.Position.AddScaled(p.Velocity, h);
    }
    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) Force->AddAcceleration(i, h, Particles.Particles(i).Velocity);
}

// Ralston (second order): a2 is taken at x + (3/4) h v;
// x' = x + h v + (h^2/2) a1, v' = v + h (a1/3 + 2 a2/3).
// PosWork/VelWork equal the particles' state at the start of every cycle.
void TSimData::StepRalston() {
    const double h = SignedStep;
    const double halfHH = (0.5 * h) * h;
    const double third = h / 3;
    const double threeQuarters = 0.75 * h;
    const double twoThirds = (2 * h) / 3;
    const int n = Particles.Count();
    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        TVector& P = PosWork[i];
        TVector& V = VelWork[i];
        P.AddScaled(V, h);
        Force->AddAcceleration(i, halfHH, P);
        Force->AddAcceleration(i, third, V);
        p.Position.AddScaled(p.Velocity, threeQuarters);
    }
    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        TVector& V = VelWork[i];
        Force->AddAcceleration(i, twoThirds, V);
        p.Position.Assign(PosWork[i]);
        p.Velocity.Assign(V);
    }
}

// Classical fourth-order Runge-Kutta for x' = v, v' = a(x). The velocity stays unchanged until
// the end; each particle's position serves as the evaluation point of the next stage:
// x' = x + h v + (h^2/6)(a1 + a2 + a3), v' = v + (h/6)(a1 + 2 a2 + 2 a3 + a4).
void TSimData::StepRK4() {
    const double h = SignedStep;
    const double hh6 = (h * h) / 6;
    const double hh4 = (h * h) / 4;
    const double hh2 = (h * h) / 2;
    const double h6 = h / 6;
    const double h3 = h / 3;
    const double h2 = h / 2;
    const int n = Particles.Count();

    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        TVector& A1 = Acc1[i];
        A1.Assign(Force->Acceleration(i));
        PosWork[i].AddScaled(VelWork[i], h);
        PosWork[i].AddScaled(A1, hh6);
        VelWork[i].AddScaled(A1, h6);
        p.Position.AddScaled(p.Velocity, h2);
    }
    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        TVector& A2 = Acc2[i];
        A2.Assign(Force->Acceleration(i));
        PosWork[i].AddScaled(A2, hh6);
        VelWork[i].AddScaled(A2, h3);
        p.Position.AddScaled(Acc1[i], hh4);
    }
    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        Force->AddAcceleration(i, hh6, PosWork[i]);
        Force->AddAcceleration(i, h3, VelWork[i]);
        // From x + (h/2) v + (h^2/4) a1 to the fourth evaluation point x + h v + (h^2/2) a2.
        p.Position.AddScaled(p.Velocity, h2);
        p.Position.AddScaled(Acc2[i], hh2);
        p.Position.AddScaled(Acc1[i], -hh4);
    }
    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        Force->AddAcceleration(i, h6, VelWork[i]);
        p.Position.Assign(PosWork[i]);
        p.Velocity.Assign(VelWork[i]);
    }
}

// Stoermer start-up: D_i = h v_i + (h^2/2) a_i, and every particle moves by D_i, so the
// positions run one step ahead of Time. A floating-point failure here is reported as such;
// outside a step there is no "Coordinate out of range" to turn it into. Without a history made
// by Prepare for the particles as they are now there is nothing to start: the next Prepare (or
// Step, which prepares work that does not fit) takes the start-up step.
void TSimData::StartStoermer() {
    if (!HaveDelta || !WorkFits()) return;
    const double h = SignedStep;
    const double h2 = h / 2;
    std::feclearexcept(FE_ALL_EXCEPT);
    Force->ComputePairTerms();
    const int n = Particles.Count();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        TVector& D = Delta[i];
        D.Assign(p.Velocity);
        Force->AddAcceleration(i, h2, D);
        D.Scale(h);
        p.Position.Add(D);
    }
    if (std::fetestexcept(FE_DIVBYZERO)) throw EMathError("Floating point division by zero");
    if (std::fetestexcept(FE_OVERFLOW)) throw EMathError(MsgOverflow);
    if (std::fetestexcept(FE_INVALID)) throw EMathError("Invalid floating point operation");
}

// One cycle of the summed form of Stoermer's rule: D_i += h^2 a_i; x_i += D_i.
void TSimData::StepStoermer() {
    const double h = SignedStep;
    const double hh = h * h;
    Force->ComputePairTerms();
    const int n = Particles.Count();
    for (int i = 0; i < n; ++i) {
        TVector& D = Delta[i];
        TVector& x = Particles.Particles(i).Position;
        Force->AddAcceleration(i, hh, D);
        // x_c := D_c + x_c, one component at a time: D was just written that way.
        for (int c = 0; c < x.Count(); ++c) x[c] = D[c] + x[c];
    }
}

// Velocities of the positions shown: v_i = D_i / h + (h/2) a_i.
void TSimData::FinishStoermer() {
    const double h = SignedStep;
    const double inv = 1 / h;
    const double h2 = h / 2;
    Force->ComputePairTerms();
    const int n = Particles.Count();
    for (int i = 0; i < n; ++i) {
        TParticle& p = Particles.Particles(i);
        p.Velocity.Assign(Delta[i]);
        p.Velocity.Scale(inv);
        Force->AddAcceleration(i, h2, p.Velocity);
    }
}

// ---------------------------------------------------------------------------------------------
// RKF: the particles' own Position and Velocity vectors form the integrator's state.

void TSimData::CreateIntegrator() {
    const int n = Particles.Count();
    RKSize = 2 * n;
    Integrator = std::make_unique<TRungeKutta>(RKSize, Dimensions, Accuracy);
    RKState.assign(RKSize, nullptr);
    RKDeriv.Resize(RKSize, Dimensions);
    RKScale.assign(RKSize, 0.0);
    for (int i = 0; i < n; ++i) {
        RKState[i] = &Particles.Particles(i).Position;
        RKState[n + i] = &Particles.Particles(i).Velocity;
    }
    Integrator->OnDerivs = [this](const TVectorArray& y, const TVectorArray& dydx, double x) {
        Derivatives(y, dydx, x);
    };
}

void TSimData::Derivatives(const TVectorArray& y, const TVectorArray& dydx, double /*x*/) {
    const int n = Particles.Count();
    Force->ComputePairTerms(y);  // reads y[0..n-1], the positions
    for (int i = 0; i < n; ++i) {
        dydx[i]->Assign(*y[n + i]);
        dydx[n + i]->Assign(Force->Acceleration(i));
    }
}

void TSimData::CurrentDerivatives() {
    const int n = Particles.Count();
    Force->ComputePairTerms();
    for (int i = 0; i < n; ++i) {
        RKDeriv[i].Assign(*RKState[n + i]);
        RKDeriv[n + i].Assign(Force->Acceleration(i));
    }
}

void TSimData::StepRKF() {
    double h = SignedStep;
    // A step that would pass the landing time tries the rest of the way instead.
    bool landing = false;
    if (LandingTime) {
        const double rest = *LandingTime - Time;
        if (rest != 0 && (rest < 0) == (h < 0) && std::fabs(h) >= std::fabs(rest)) {
            h = rest;
            landing = true;
        }
    }
    CurrentDerivatives();
    const double absH = std::fabs(h);
    for (int k = 0; k < RKSize; ++k)
        RKScale[k] = RKState[k]->MaxNorm() + absH * RKDeriv[k].MaxNorm() + ScaleFloor;
    double hdid = 0;
    double hnext = 0;
    Integrator->AdaptiveStep(RKState, RKDeriv.View(), RKScale, Time, h, hdid, hnext);
    if (hnext > MaxStepSize)
        hnext = MaxStepSize;
    else if (hnext < -MaxStepSize)
        hnext = -MaxStepSize;
    if (landing && hdid == h) {
        // Landed (Time + rest may differ from it in the last bit). A shortened step keeps the
        // step it would have taken for what follows.
        Time = *LandingTime;
        if (h != SignedStep) return;
    }
    SignedStep = hnext;
}

}  // namespace kinetra
