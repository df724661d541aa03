// The simulation state: parameters with their validation, preparation of a run, the step driver.
// The numerical methods themselves are in StepMethods.cpp.
#include "engine/SimulationData.h"

#include <cfenv>
#include <cmath>

#include "base/KNUtils.h"
#include "engine/RKF.h"

namespace kinetra {

// Order of accuracy: Euler and Euler-Cromer first, Ralston second, RK4 fourth, the Cash-Karp
// pair fifth (its error estimate fourth), Stoermer second.
const std::array<TMethodInfo, 6> NumMethods{{
    {nmEuler, "Euler", "Euler", 1, false, mwNone, &TSimData::StepEuler, nullptr, nullptr},
    {nmEulerCromer, "EulerCromer", "Euler-Cromer", 1, false, mwNone, &TSimData::StepEulerCromer, nullptr,
     nullptr},
    {nmRalston, "Ralston", "Ralston", 2, false, mwNone, &TSimData::StepRalston, nullptr, nullptr},
    {nmRK4, "RK4", "RK4", 4, false, mwAccelerations, &TSimData::StepRK4, nullptr, nullptr},
    {nmRKF, "RKF", "RKF", 5, true, mwIntegrator, &TSimData::StepRKF, nullptr, nullptr},
    {nmStoermer, "Stoermer", "Stoermer", 2, false, mwDifferences, &TSimData::StepStoermer,
     &TSimData::StartStoermer, &TSimData::FinishStoermer},
}};

const TMethodInfo& MethodInfo(TNumMethod method) {
    return NumMethods[method];
}

std::string MethodNameList() {
    std::string list;
    for (size_t m = 0; m < NumMethods.size(); ++m) {
        if (m > 0) list += m + 1 == NumMethods.size() ? " or " : ", ";
        list += NumMethods[m].Name;
    }
    return list;
}

namespace {
constexpr int FloatFailures = FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID;

}  // namespace

TSimData::TSimData() : Particles(1) {
    Dimensions = 1;
    Clear();
}

TSimData::~TSimData() {
    FreeWork();
}

void TSimData::Clear() {
    // The particles are about to be replaced: work arrays that refer to them must go first.
    FreeWork();
    Time = 0;
    Method = nmStoermer;
    TimeStep = DefaultTimeStep;
    Cycles = DefaultCycles;
    Accuracy = DefaultAccuracy;
    Force.reset();
    Particles.SetDimensions(Dimensions);
    Force = std::make_unique<TForce>(Particles);
    Notes.clear();
}

void TSimData::NewWork(TWorkVectors& work, bool copyPositions, bool copyVelocities) {
    const int n = Particles.Count();
    work.Resize(n, Dimensions);
    for (int i = 0; i < n; ++i) {
        if (copyPositions) work[i].Assign(Particles.Particles(i).Position);
        if (copyVelocities) work[i].Assign(Particles.Particles(i).Velocity);
    }
}

void TSimData::Prepare() {
    // The user's step with the sign of the step in use, computed as |s| * TimeStep / s (which
    // may differ from TimeStep in its last bit). Where the product overflows or vanishes the
    // sign is carried over instead, so that the step stays finite and not zero.
    if (SignedStep != 0) {
        const double step = std::fabs(SignedStep) * TimeStep / SignedStep;
        if (std::isfinite(step) && step != 0)
            SignedStep = step;
        else
            SignedStep = SignedStep < 0 ? -TimeStep : TimeStep;
    } else {
        SignedStep = DefaultTimeStep;
    }
    FreeWork();
    Force->BuildPairTables();
    NewWork(PosWork, true, false);
    NewWork(VelWork, false, true);
    const TMethodInfo& method = MethodEntry();
    if (method.Work & mwAccelerations) {
        NewWork(Acc1, false, false);
        NewWork(Acc2, false, false);
    }
    if (method.Work & mwIntegrator) CreateIntegrator();
    if (method.Work & mwDifferences) {
        NewWork(Delta, false, false);
        HaveDelta = true;
    }
    Prepared = true;
    PreparedRevision = Particles.Revision();
    PreparedDimensions = Dimensions;
    PreparedMethod = Method;
    StartUp();
}

void TSimData::StartUp() {
    if (const auto startUp = MethodEntry().StartUp) (this->*startUp)();
}

void TSimData::FreeWork() {
    PosWork.Clear();
    VelWork.Clear();
    Acc1.Clear();
    Acc2.Clear();
    Delta.Clear();
    HaveDelta = false;
    Integrator.reset();
    RKState.clear();
    RKDeriv.Clear();
    RKScale.clear();
    Prepared = false;
}

bool TSimData::WorkFits() const {
    return Prepared && PreparedRevision == Particles.Revision() && PreparedDimensions == Dimensions &&
           Particles.Dimensions() == Dimensions && PreparedMethod == Method;
}

void TSimData::SetDimensions(int n) {
    if (n < 1) throw EKNError("Dimensionality must be at least one.");
    Dimensions = n;
}

void TSimData::SetCycles(int n) {
    if (n < MinCycles || n > MaxCycles) throw EKNError("Computation cycles must be between 1 and 200");
    Cycles = n;
}

void TSimData::SetMethod(TNumMethod m) {
    Method = m;
    Prepare();
}

void TSimData::SetTimeStep(double x) {
    // A zero step has no direction to keep and would stall the run; an infinite or NaN one
    // would turn every coordinate into NaN.
    if (!std::isfinite(x)) throw EKNError("Invalid time step");
    if (x == 0) throw EKNError("Time step must not be zero");
    // A negative one would turn the run round at every Prepare (|s| * x / s has the sign of x
    // times that of s) while the setup showed a negative step.
    if (x < 0) throw EKNError("Time step must be positive");
    if (!MethodEntry().Adaptive) SignedStep = SignedStep == 0 ? x : std::fabs(SignedStep) / SignedStep * x;
    StartUp();
    TimeStep = x;
}

void TSimData::SetAccuracy(double x) {
    if (!(x >= MinAccuracy))
        throw EKNError("Accuracy setting must be at least " + FormatGeneral(MinAccuracy, 15));
    Accuracy = x;
    if (Integrator) Integrator->Eps = x;
}

void TSimData::Rewind() {
    Time = 0;
    SignedStep = TimeStep;
    Particles.ResetToInitial();
}

void TSimData::Reverse() {
    SignedStep = -SignedStep;
    StartUp();
}

double TSimData::KineticEnergy() const {
    return Particles.KineticEnergy();
}

double TSimData::PotentialEnergy() {
    return Force->PotentialEnergy();
}

std::string TSimData::MethodName() const {
    return Method < NumMethods.size() ? NumMethods[Method].Name : std::string();
}

void TSimData::Step(const std::function<bool()>& enough) {
    // Work arrays that do not fit the particles would be read out of range: prepare first.
    if (!WorkFits()) Prepare();
    const TMethodInfo& method = MethodEntry();
    const auto cycle = method.StepRoutine;
    ClearFloatFlags();
    for (int c = 0; c < Cycles; ++c) {
        (this->*cycle)();
        // Failures are detected at the end of the cycle that caused them: the particles keep
        // what the cycle wrote, Time keeps the cycles completed before it.
        if (std::fetestexcept(FloatFailures)) throw EKNError(MsgCoordinateOutOfRange);
        if (Collisions) Particles.CheckCollisions();
        if (!method.Adaptive) {
            // A time beyond the range fails the cycle that reaches it, as a coordinate would;
            // Time keeps the cycles before it.
            const double time = Time + SignedStep;
            if (!std::isfinite(time)) throw EKNError(MsgCoordinateOutOfRange);
            Time = time;
        }
        if (enough && enough()) break;
    }
    if (method.Finish) (this->*method.Finish)();
    if (InfoWanted) Particles.UpdateMomentum();
    if (Particles.TotalMass != 0) Particles.UpdateCenterOfMass();
    if (std::fetestexcept(FloatFailures)) throw EKNError(MsgCoordinateOutOfRange);
    StepDone();
}

void TSimData::StepDone() {
    if (OnStepDone) OnStepDone();
}

}  // namespace kinetra
