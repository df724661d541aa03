// TSimData: the simulation. It owns the particle collection and the force model, holds every
// parameter of a setup (dimensions, numerical method, time step, cycles, accuracy, collisions),
// the simulated time, the setup's file name and notes, and the work storage of the numerical
// methods; it prepares a run and performs steps.
//
// One displayed step is `Cycles` computation cycles of the chosen method with the signed step
// h = SignedStep (negative when running backwards), each optionally followed by the collision
// check. Methods (order of the local error per step): Euler and Euler-Cromer (first order),
// Ralston (second order, evaluation at 3/4 of the step, weights 1/3 and 2/3), RK4 (classical
// fourth order), RKF (Cash-Karp 5(4) with an adaptive step, see RKF.h) and Stoermer (the summed
// form of Stoermer's rule, second order; velocities are completed at the end of a step).
// Floating-point overflow, division by zero and invalid operations in a step become
// EKNError("Coordinate out of range"); the particles keep what the failing cycle wrote.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/KNConst.h"
#include "base/Vector.h"
#include "model/Forces.h"
#include "model/Particles.h"

namespace kinetra {

class TRungeKutta;
class TSetupReader;
class TSetupWriter;

enum TNumMethod : std::uint8_t {
    nmEuler = 0,
    nmEulerCromer = 1,
    nmRalston = 2,
    nmRK4 = 3,
    nmRKF = 4,
    nmStoermer = 5
};

class TSimData;

// The work arrays a method needs beyond PosWork and VelWork, which every method has.
enum TMethodWork : std::uint8_t {
    mwNone = 0,
    mwAccelerations = 1,  // Acc1, Acc2
    mwDifferences = 2,    // Delta, the Stoermer history
    mwIntegrator = 4      // the adaptive integrator with RKState, RKDeriv, RKScale
};

// One numerical method, everything the program knows of it: the table below is the only place
// that names a method. Whatever offers, reads or writes methods (the options dialog, the setup
// file, kinetra-batch, the Python module) goes through it, so a new method is one entry and its
// step routine.
struct TMethodInfo {
    TNumMethod Method;    // the ordinal stored in the setup file, the dialog's radio index
    const char* Name;     // MethodName: as the information window, kinetra-batch and Python write it
    const char* Caption;  // the options dialog's radio caption
    int Order;            // global order of accuracy
    // Chooses its own step: the accuracy setting applies (and is stored in the setup file), the
    // step routine advances Time itself, and the time step set is only its first trial step.
    bool Adaptive;
    unsigned Work;                    // TMethodWork flags
    void (TSimData::*StepRoutine)();  // one computation cycle
    void (TSimData::*StartUp)();      // after Prepare and after every change of the step in use
    void (TSimData::*Finish)();       // at the end of every displayed step
};
extern const std::array<TMethodInfo, 6> NumMethods;

// The entry of `method` (which must be one of the table's).
const TMethodInfo& MethodInfo(TNumMethod method);
// The names of the table as messages and help texts list them: "A, B or C".
std::string MethodNameList();

class TSimData {
public:
    TSimData();
    ~TSimData();
    TSimData(const TSimData&) = delete;
    TSimData& operator=(const TSimData&) = delete;

    std::string FileName;
    int Dimensions = 1;
    double Time = 0;
    double TimeStep = DefaultTimeStep;
    double SignedStep = 0;
    bool InfoWanted = false;
    TNumMethod Method = nmStoermer;
    bool Collisions = false;
    int Cycles = DefaultCycles;
    std::string Notes;
    double Accuracy = DefaultAccuracy;
    // A time an adaptive method lands on: its cycle that would step past it is shortened to end
    // on it exactly (Time is then this value), and the step it would have taken stays in use for
    // the cycles after it. Empty, the steps are the method's own; the fixed-step methods ignore
    // it. A run until a time sets it for the length of the run.
    std::optional<double> LandingTime;

    TParticlesList Particles;
    std::unique_ptr<TForce> Force;  // re-created by Clear

    // Hooks of the owner: the frame section of the setup file, and the drawing after a step.
    std::function<void(TSetupReader&)> OnLoadFrame;
    std::function<void(TSetupWriter&)> OnSaveFrame;
    // Reads a saved text as the owner's open reads a file (its frame section with it) into
    // objects of its own, for the save's check that the file loads back. Without it the check
    // reads into a scratch simulation without a frame.
    std::function<void(std::istream&)> OnLoadBack;
    std::function<void()> OnStepDone;

    // Work storage, alive from Prepare to the next FreeWork.
    TWorkVectors PosWork, VelWork, Acc1, Acc2, Delta;
    std::unique_ptr<TRungeKutta> Integrator;
    TVectorArray RKState;  // the particles' own Position (0..P-1) and Velocity (P..2P-1)
    TWorkVectors RKDeriv;
    TDoubleArray RKScale;
    int RKSize = 0;

    // Defaults of a new setup; keeps FileName, Dimensions, SignedStep, Collisions,
    // InfoWanted, the hooks and the work arrays.
    void Clear();
    // Readies the numerical method for a run: the user's step with the current sign, fresh work
    // arrays, the force evaluation for the current particles, the integrator or the Stoermer
    // start-up step. The step is |s| * TimeStep / s (s the step in use) wherever that is finite
    // and not zero; for steps beyond about 1E154 or below about 1E-162, where the product
    // overflows or vanishes, it is TimeStep with the sign of s.
    void Prepare();
    void FreeWork();
    // "Dimensionality must be at least one."
    void SetDimensions(int n);
    // "Computation cycles must be between 1 and 200"
    void SetCycles(int n);
    void SetMethod(TNumMethod m);
    // Keeps the direction; with RKF the adaptive step in use is left alone. Refuses 0
    // ("Time step must not be zero"), negative values ("Time step must be positive": the step
    // is a magnitude, the direction is the run's) and non-finite ones ("Invalid time step").
    void SetTimeStep(double x);
    // "Accuracy setting must be at least 1E-30"
    void SetAccuracy(double x);
    void Rewind();
    void Reverse();
    // One displayed step. `enough`, when given, is asked after every computation cycle (after
    // the collision check and the time update) and ends the displayed step after that cycle
    // when it returns true; the step is then completed as a full one is (Stoermer's velocities,
    // momenta, centre of mass, OnStepDone). Without it, or while it returns false, the step is
    // exactly the plain one.
    void Step(const std::function<bool()>& enough = {});
    double KineticEnergy() const;
    double PotentialEnergy();
    std::string MethodName() const;
    const TMethodInfo& MethodEntry() const { return MethodInfo(Method); }

    // The setup file named FileName (see SetupFile.h for the format). An error of a failed
    // load keeps its message and carries the place where reading stopped: FileName and the
    // line (EKinetraError::FileName, Line; no line when the file could not be opened).
    void LoadFromFile();
    // Appends ".knx" when the last part of FileName has no "." at all.
    void SaveToFile();
    // The same on streams (the error's place has a line but no file name); SaveToStream
    // writes exactly the bytes of the file.
    void LoadFromStream(std::istream& in);
    void SaveToStream(std::ostream& out);

    // One computation cycle of each method.
    void StepEuler();
    void StepEulerCromer();
    void StepRalston();
    void StepRK4();
    void StepRKF();
    void StepStoermer();
    void StartStoermer();
    void FinishStoermer();

    // The RKF side: the integrator and its derivative callback.
    void CreateIntegrator();
    void Derivatives(const TVectorArray& y, const TVectorArray& dydx, double x);
    void CurrentDerivatives();

private:
    void ReadSetup(TSetupReader& reader);
    void StepDone();
    // The method's start-up step, if it has one.
    void StartUp();
    // What the work arrays were made for; a Step on anything else prepares first, and a
    // Stoermer history made for other particles counts as none.
    bool Prepared = false;
    std::uint64_t PreparedRevision = 0;
    int PreparedDimensions = 0;
    TNumMethod PreparedMethod = nmStoermer;
    bool HaveDelta = false;
    bool WorkFits() const;
    void NewWork(TWorkVectors& work, bool copyPositions, bool copyVelocities);
};

}  // namespace kinetra
