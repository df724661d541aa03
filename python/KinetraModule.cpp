// The Python module `kinetra`: a thin binding of the numerical core for scripts and notebooks.
//
// Everything goes through the rules the program itself applies: a setup is read and written
// with its screen frame as the window does (TFramedSim), particles are added as the particle
// editor adds them (every number through its 15-digit text, the collection's overlap checks),
// settings are applied as the Simulation options dialog applies them (ApplySimOptions), and a
// step is the step driver's. Refusals raise kinetra.Error with the program's message. Numbers
// may be given as expression texts, evaluated on the module's one parser, so that a name
// assigned in one expression (kinetra.evaluate("m = 2*GN")) is known in the next.
//
// A simulation is stopped after loading, rewinding or adding a particle, until its first step
// or reverse(). While it is stopped, it stands where the window's Stop puts it (rewound, the
// method prepared: Stoermer's start-up step made) with the settings in force, as kinetra-batch
// prepares a setup after applying its overrides; so a setup stepped here gives kinetra-batch's
// bits whatever was read or set before. Steps run with the interpreter lock released.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "batch/CompareRuns.h"
#include "batch/RunRules.h"
#include "batch/RunUntil.h"
#include "engine/SetupUnits.h"
#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "model/WorkerPool.h"
#include "parser/Parser.h"
#ifdef KINETRA_RENDER
#include "python/RenderBinding.h"
#endif

namespace py = pybind11;

namespace kinetra::python {

namespace {

// kinetra.Error, made once when the module is imported and kept for the process's life.
PyObject* ErrorType = nullptr;

// The module's one expression parser. Only used with the interpreter lock held.
TParser& ModuleParser() {
    static TParser parser;
    return parser;
}

TNumMethod MethodNamed(const std::string& name) {
    if (const std::optional<TNumMethod> method = MethodFromName(name)) return *method;
    throw EKNError("Unknown method '" + name + "' (" + MethodNameList() + ")");
}

// The bytes of a name or the notes: a str as UTF-8, with the bytes that Text escaped restored
// (surrogateescape), so that a name read from a file goes back to it unchanged.
std::string TextBytes(const py::handle& text) {
    if (!py::isinstance<py::str>(text)) throw py::type_error("a str is needed");
    const py::object bytes =
        py::reinterpret_steal<py::object>(PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape"));
    if (!bytes) throw py::error_already_set();
    return bytes.cast<std::string>();
}

// Text of the setup as a str: bytes that are no UTF-8 (a Latin-1 name) as lone surrogates
// (surrogateescape), or escaped as \xNN in a message.
py::str Text(const std::string& bytes, const char* errors = "surrogateescape") {
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeUTF8(bytes.data(), static_cast<py::ssize_t>(bytes.size()), errors));
}

// True or False and nothing else: 2 or "yes" for a switch is a mistake, not a True.
bool Switch(const py::object& value) {
    if (!PyBool_Check(value.ptr())) throw py::type_error("True or False is needed");
    return value.ptr() == Py_True;
}

// Warns (RuntimeWarning) when the settings would let RKF crawl.
void WarnOfAccuracy(TNumMethod method, double accuracy) {
    const std::string warning = AccuracyWarning(method, accuracy);
    if (!warning.empty() && PyErr_WarnEx(PyExc_RuntimeWarning, warning.c_str(), 1) != 0)
        throw py::error_already_set();
}

// A number as the text a dialog field would hold: an expression text as it is, a Python number
// with all 17 digits (the field's rule then rounds it to 15, as typing it would).
std::string FieldText(const py::object& value) {
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    if (py::isinstance<py::bool_>(value))
        throw py::type_error("a number or an expression text is needed, not a bool");
    const double number = PyFloat_AsDouble(value.ptr());  // TypeError for what is no number
    if (number == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (!std::isfinite(number)) throw EKNError("Invalid numeric input");
    return FormatGeneral(number, 17);
}

// A file name from a str, bytes or any path object (pathlib.Path), as the system takes it; a NUL
// would cut it short (ValueError, as for open()).
std::string PathText(const py::object& path) {
    const std::string name = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
    if (name.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
    return name;
}

double FieldValue(const py::object& value) {
    return EvaluateFieldText(ModuleParser(), FieldText(value)).Value;
}

py::array_t<double> VectorArray(const TVector& vector) {
    py::array_t<double> array(static_cast<py::ssize_t>(vector.Count()));
    auto out = array.mutable_unchecked<1>();
    for (int c = 0; c < vector.Count(); ++c) out(c) = vector[c];
    return array;
}

class TPySimulation {
public:
    explicit TPySimulation(std::unique_ptr<TFramedSim> setup, int threads) : Setup(std::move(setup)) {
        SetThreads(threads);
    }
    TPySimulation(const TPySimulation&) = delete;
    TPySimulation& operator=(const TPySimulation&) = delete;

    static std::unique_ptr<TPySimulation> Load(const py::object& path, int threads) {
        auto setup = std::make_unique<TFramedSim>();
        setup->Load(PathText(path));
        WarnOfAccuracy(setup->Sim().Method, setup->Sim().Accuracy);
        return std::make_unique<TPySimulation>(std::move(setup), threads);
    }

    static std::unique_ptr<TPySimulation> New(int dimensions, int threads) {
        if (dimensions > MaxDimensions)
            throw EKNError("Dimensionality must be at most " + std::to_string(MaxDimensions) + ".");
        // As New makes it: the defaults of a new setup and a frame for its dimensions.
        auto setup = std::make_unique<TFramedSim>();
        setup->Sim().SetDimensions(dimensions);
        setup->Sim().Clear();
        setup->ResetFrame();
        return std::make_unique<TPySimulation>(std::move(setup), threads);
    }

    // The simulation, unless another thread is stepping it.
    TSimData& Sim() {
        if (Busy) throw EKNError("The simulation is stepping in another thread");
        return Setup->Sim();
    }
    // The same, prepared: what the state is read from.
    TSimData& Ready() {
        Sim();
        PrepareOnce();
        return Setup->Sim();
    }
    TScreenFrame& Frame() {
        Sim();
        return Setup->Frame();
    }

    int Threads() const { return FThreads; }
    void SetThreads(int threads) {
        if (threads < 0 || threads > 256) throw EKNError("Threads must be between 0 (one per core) and 256");
        Sim().Force->SetThreads(threads);
        FThreads = threads;
    }

    // One setting through the options dialog's rule.
    void Apply(const TSimOptionValues& values) {
        TSimData& sim = Sim();
        if (Stopped) NeedsPrepare = true;
        ApplySimOptions(sim, ModuleParser(), values);
        WarnOfAccuracy(sim.Method, sim.Accuracy);
    }

    void AddParticle(const py::object& name, const py::object& mass, const py::sequence& position,
                     const py::sequence& velocity, const py::object& charge, const py::object& radius,
                     int colour, int imageRadius, const py::object& trail, const py::object& invisible) {
        TSimData& sim = Sim();
        const int n = sim.Dimensions;
        for (const auto& [what, vector] :
             {std::pair{"position", &position}, std::pair{"velocity", &velocity}}) {
            if (static_cast<int>(py::len(*vector)) != n)
                throw EKNError(std::string(what) + " needs " + std::to_string(n) + " components, not " +
                               std::to_string(py::len(*vector)));
        }
        if (colour < 0 || colour >= ColourCount)
            throw EKNError("Colour must be between 0 and " + std::to_string(ColourCount - 1));
        if (imageRadius < MinDrawRadius || imageRadius > MaxDrawRadius)
            throw EKNError("Image radius must be between " + std::to_string(MinDrawRadius) + " and " +
                           std::to_string(MaxDrawRadius));
        // The particle editor's order: name, mass, charge (refused on a massless particle),
        // radius (its absolute value), then position and velocity component by component.
        auto particle = std::make_unique<TParticle>(n);
        particle->Name = TextBytes(name);
        particle->Mass = FieldValue(mass);
        particle->SetCharge(FieldValue(charge));
        particle->SetRadius(FieldValue(radius));
        for (int i = 0; i < n; ++i) {
            particle->InitialPosition[i] = FieldValue(position[static_cast<size_t>(i)]);
            particle->InitialVelocity[i] = FieldValue(velocity[static_cast<size_t>(i)]);
        }
        particle->ColourIndex = colour;
        particle->SetImageRadius(imageRadius);
        particle->ShowTrail = Switch(trail);
        particle->Invisible = Switch(invisible);
        particle->UpdateImage();
        sim.Particles.AddParticle(std::move(particle));
        // A changed particle list stops the run, as in the window.
        Rewind();
    }

    void Rewind() {
        Sim().Rewind();
        Stopped = NeedsPrepare = true;
        Failed = false;
    }

    void Reverse() {
        TSimData& sim = Ready();
        Stopped = false;
        sim.Reverse();
    }

    // `count` displayed steps, or (with `until`) steps until the time reaches it as kinetra-batch
    // run --until does; more than `maxSteps` steps is an error. Returns the steps made. The
    // interpreter lock is released; Ctrl+C stops between two steps.
    std::int64_t Run(std::int64_t count, std::optional<double> until, std::optional<std::int64_t> maxSteps) {
        if (count < 0) throw py::value_error("the number of steps must not be negative");
        if (maxSteps && *maxSteps < 1) throw py::value_error("max_steps must be at least 1");
        TSimData& sim = Sim();
        // A failed step leaves the state it reached (out of range): no step goes on from there.
        if (Failed) throw EKNError("The last step failed; rewind() to start again");
        batch::TRunOutcome outcome;
        {
            // Busy before the lock is released, so that no other thread gets in between.
            const TBusy busy(Busy);
            py::gil_scoped_release release;
            PrepareOnce();
            Stopped = false;
            auto lastCheck = std::chrono::steady_clock::now();
            outcome = batch::RunUntil(
                sim, until, maxSteps,
                [&](std::int64_t) {
                    const auto now = std::chrono::steady_clock::now();
                    if (now - lastCheck > std::chrono::milliseconds(100)) {
                        lastCheck = now;
                        py::gil_scoped_acquire acquire;
                        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
                    }
                },
                count);
        }
        switch (outcome.End) {
            case batch::TRunEnd::Reached:
                break;
            case batch::TRunEnd::StepLimit:
                throw EKNError(batch::StepLimitMessage(*maxSteps, sim.Time));
            case batch::TRunEnd::Collision:
                throw EKNError(batch::CollisionMessage(sim, outcome));
            case batch::TRunEnd::Stalled:
                std::rethrow_exception(outcome.Failure);
            case batch::TRunEnd::Error:
                try {
                    std::rethrow_exception(outcome.Failure);
                } catch (const EThreadStart&) {
                    // The machine's refusal, not the state's: the next step may go on.
                    throw;
                } catch (...) {
                    Failed = true;
                    throw;
                }
            case batch::TRunEnd::Interrupted:
                break;
        }
        return outcome.Steps;
    }

    // A save that fails keeps the name the simulation had.
    py::str Save(const py::object& path) {
        TSimData& sim = Sim();
        const std::string name = PathText(path);
        const std::string before = sim.FileName;
        sim.FileName = name;
        try {
            sim.SaveToFile();
        } catch (...) {
            sim.FileName = before;
            throw;
        }
        return Text(sim.FileName);
    }

    py::array_t<double> State(bool velocities) {
        const TSimData& sim = Ready();
        const int n = sim.Particles.Count();
        const int d = sim.Dimensions;
        py::array_t<double> array({static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(d)});
        auto out = array.mutable_unchecked<2>();
        for (int i = 0; i < n; ++i) {
            const TParticle& p = sim.Particles.Particles(i);
            const TVector& v = velocities ? p.Velocity : p.Position;
            for (int c = 0; c < d; ++c) out(i, c) = v[c];
        }
        return array;
    }

    template <typename Field>
    py::array_t<double> PerParticle(Field field) {
        const TSimData& sim = Sim();
        py::array_t<double> array(static_cast<py::ssize_t>(sim.Particles.Count()));
        auto out = array.mutable_unchecked<1>();
        for (int i = 0; i < sim.Particles.Count(); ++i) out(i) = field(sim.Particles.Particles(i));
        return array;
    }

private:
    // Marks the simulation as stepping while the interpreter lock is released.
    struct TBusy {
        explicit TBusy(std::atomic<bool>& flag) : Flag(flag) { Flag = true; }
        ~TBusy() { Flag = false; }
        TBusy(const TBusy&) = delete;
        TBusy& operator=(const TBusy&) = delete;
        std::atomic<bool>& Flag;
    };

    // What Stop does, once after loading, rewinding, a change of the particles or of a setting
    // while stopped.
    void PrepareOnce() {
        if (!NeedsPrepare) return;
        Setup->Sim().Rewind();
        Setup->Sim().Prepare();
        NeedsPrepare = false;
    }

    std::unique_ptr<TFramedSim> Setup;
    int FThreads = 0;
    bool Stopped = true;
    bool NeedsPrepare = true;
    bool Failed = false;  // the last step failed: steps refused until Rewind
    std::atomic<bool> Busy{false};
};

py::list Compare(const py::object& path, const py::object& until, const std::vector<std::string>& methods,
                 const std::vector<py::object>& timeSteps, const py::object& cycles,
                 const py::object& accuracy, const py::object& collisions,
                 std::optional<std::int64_t> maxSteps, unsigned threads, std::optional<double> tree) {
    TFramedSim setup;
    setup.Load(PathText(path));
    batch::TCompareRequest request;
    request.Until = FieldText(until);
    for (const std::string& name : methods) request.Methods.push_back(MethodNamed(name));
    for (const py::object& step : timeSteps) request.TimeSteps.push_back(FieldText(step));
    if (!cycles.is_none()) request.Overrides.Cycles = FieldText(cycles);
    if (!accuracy.is_none()) request.Overrides.Accuracy = FieldText(accuracy);
    if (!collisions.is_none()) request.Overrides.Collisions = Switch(collisions);
    if (maxSteps && *maxSteps < 1) throw py::value_error("max_steps must be at least 1");
    request.MaxSteps = maxSteps;
    batch::TComparePlan plan = batch::PlanCompare(setup, request);
    for (const batch::TCompareRun& run : plan.Runs) WarnOfAccuracy(run.Method, setup.Sim().Accuracy);
    if (tree) {
        setup.Sim().Force->SetTreeAngle(*tree);
        plan.Tree = *tree;
    }
    // The runs go on in threads of their own while this thread looks for Ctrl+C every 100 ms; an
    // interrupt stops them all before it is raised.
    std::vector<batch::TCompareRow> rows;
    bool interrupted = false;
    {
        py::gil_scoped_release release;
        rows = batch::RunCompare(plan, threads, nullptr, [&] {
            py::gil_scoped_acquire acquire;
            interrupted = PyErr_CheckSignals() != 0;
            return interrupted;
        });
    }
    if (interrupted) throw py::error_already_set();
    py::list table;
    for (const batch::TCompareRow& row : rows) {
        py::dict entry;
        entry["method"] = row.Method;
        entry["time_step"] = row.TimeStep;
        entry["steps"] = row.Steps;
        entry["force_evaluations"] = row.Evaluations;
        entry["final_time"] = row.Time;
        entry["max_energy_drift"] = row.MaxDrift;
        entry["final_energy_drift"] = row.FinalDrift;
        entry["com_drift"] = row.ComDrift;
        entry["wall_seconds"] = row.WallSeconds;
        entry["result"] = Text(row.Result);
        table.append(entry);
    }
    return table;
}

// A program error as kinetra.Error with its message; a load error also carries where reading
// stopped (`file`, `line`) and the whole place as kinetra-batch words it (`place`: the file, the
// line, the item being read and the text found there).
void RaiseError(const EKinetraError& e) {
    py::object error = py::reinterpret_borrow<py::object>(ErrorType)(Text(e.what(), "backslashreplace"));
    if (e.Line() > 0) {
        error.attr("file") = Text(e.FileName());
        error.attr("line") = e.Line();
        error.attr("place") = Text(FailurePlace(e), "backslashreplace");
    }
    PyErr_SetObject(ErrorType, error.ptr());
}

}  // namespace

}  // namespace kinetra::python

PYBIND11_MODULE(kinetra, m) {
    using namespace kinetra;
    using namespace kinetra::python;
    using Sim = TPySimulation;

    m.doc() =
        "Kinetra's numerical core: load, build, step and save particle setups (.knx), with\n"
        "positions and velocities as numpy arrays. Every refusal raises kinetra.Error with the\n"
        "program's message; numbers may be expression texts such as '2*PI/100'.";
    m.attr("__version__") = ProgramVersion;
    ErrorType = PyErr_NewExceptionWithDoc(
        "kinetra.Error",
        "A refusal or a failure, with the program's message; a load error also has file, line and place.",
        PyExc_Exception, nullptr);
    m.attr("Error") = py::handle(ErrorType);
    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error) std::rethrow_exception(error);
        } catch (const EKinetraError& e) {
            RaiseError(e);
        } catch (const py::cast_error& e) {
            // An argument of the wrong type, found where it is converted.
            PyErr_SetString(PyExc_TypeError, e.what());
        }
    });
    py::list methods;
    for (const TMethodInfo& info : NumMethods) methods.append(info.Name);
    m.attr("METHODS") = py::tuple(methods);
    // Kept for the module's life: the property's documentation points into it.
    static const std::string MethodDoc = "The numerical method by name: " + MethodNameList() + " (any case).";

    m.def("load", &Sim::Load, py::arg("path"), py::arg("threads") = 0,
          "Reads a setup file (.knx); threads share each force evaluation (0: one per core).");
    m.def(
        "evaluate", [](const std::string& text) { return ModuleParser().Evaluate(text); }, py::arg("text"),
        "Evaluates an expression on the module's parser ('v = sqrt(GN*MSUN/AU)', 'v/1000').");
    m.def("compare", &Compare, py::arg("path"), py::arg("until"),
          py::arg("methods") = std::vector<std::string>{}, py::arg("time_steps") = std::vector<py::object>{},
          py::arg("cycles") = py::none(), py::arg("accuracy") = py::none(),
          py::arg("collisions") = py::none(), py::arg("max_steps") = py::none(), py::arg("threads") = 0,
          py::arg("tree") = py::none(),
          "kinetra-batch compare: runs the setup until |time| >= |until| once per method (default all\n"
          "of METHODS) and time step (default the setup's), and returns one dict per run with the keys\n"
          "method, time_step, steps, force_evaluations, final_time, max_energy_drift,\n"
          "final_energy_drift, com_drift, wall_seconds and result ('ok' or why the run failed or\n"
          "stopped at max_steps). Ctrl+C stops every run within 0.1 s (KeyboardInterrupt). tree: the force "
          "tree's opening angle (see Simulation.tree); its\n"
          "energy drifts are those of the tree's approximate forces and potential.");

#ifdef KINETRA_RENDER
    BindRender(m);
#endif

    m.def(
        "sweep",
        [](const py::object& grid, const py::object& client) {
            return py::module_::import("kinetra_sweep").attr("sweep")(grid, client);
        },
        py::arg("grid"), py::arg("client") = py::none(),
        "Runs a compare grid (setups x methods x time steps) on a Dask distributed client (a local\n"
        "cluster when none is given) and returns one row per grid point (see kinetra_sweep.sweep).");

    py::class_<Sim>(m, "Simulation", "A setup and its simulation state.")
        .def(py::init(&Sim::New), py::arg("dimensions"), py::arg("threads") = 0,
             "An empty setup of 1 to 26 dimensions with the defaults of a new setup.")
        .def(
            "add_particle",
            [](Sim& s, const py::object& name, const py::object& mass, const py::sequence& position,
               const py::sequence& velocity, const py::object& charge, const py::object& radius, int colour,
               int imageRadius, const py::object& trail, const py::object& invisible) {
                s.AddParticle(name, mass, position, velocity, charge, radius, colour, imageRadius, trail,
                              invisible);
            },
            py::arg("name"), py::arg("mass"), py::arg("position"), py::arg("velocity"),
            py::arg("charge") = 0.0, py::arg("radius") = 0.0, py::arg("colour") = 0,
            py::arg("image_radius") = 10, py::arg("trail") = false, py::arg("invisible") = false,
            "Adds a particle as the particle editor does: numbers through their 15-digit text, the\n"
            "charge refused on a massless particle, the place refused where it overlaps another.\n"
            "The simulation is rewound to time 0.")
        .def(
            "step", [](Sim& s, std::int64_t n) { s.Run(n, std::nullopt, std::nullopt); }, py::arg("n") = 1,
            "Performs n displayed steps (each `cycles` computation cycles). After a step that failed\n"
            "(kinetra.Error) no step is made until rewind().")
        .def(
            "run_until",
            [](Sim& s, const py::object& t, std::optional<std::int64_t> maxSteps) {
                const double until = EvaluateFieldText(ModuleParser(), FieldText(t)).Value;
                return s.Run(std::numeric_limits<std::int64_t>::max(), until, maxSteps);
            },
            py::arg("t"), py::arg("max_steps") = py::none(),
            "Steps until |time| >= |t|, as kinetra-batch run --until: the last step is not shortened, a\n"
            "t on the step grid is reached within rounding; RKF shortens its last step to end on t\n"
            "exactly and keeps the step it would have taken for the steps after it. More than\n"
            "max_steps steps raise kinetra.Error. Returns the number of steps.")
        .def("reverse", &Sim::Reverse, "Turns the direction of time.")
        .def("rewind", &Sim::Rewind, "Back to time 0 and the initial state, forwards (the window's Stop).")
        .def("save", &Sim::Save, py::arg("path"),
             "Writes the setup file (.knx is added to a name without extension); returns the name.")
        .def(
            "energies",
            [](Sim& s) {
                TSimData& sim = s.Ready();
                const double kinetic = sim.KineticEnergy();
                const double potential = sim.PotentialEnergy();
                return py::make_tuple(kinetic, potential, kinetic + potential);
            },
            "(kinetic, potential, total) of the current state; with the force tree (tree) the potential\n"
            "and so the total are approximate.")
        .def(
            "momentum",
            [](Sim& s) {
                TSimData& sim = s.Ready();
                sim.Particles.UpdateMomentum();
                return VectorArray(sim.Particles.TotalMomentum());
            },
            "The total momentum, a vector of the setup's dimensions.")
        .def(
            "angular_momentum",
            [](Sim& s) -> py::object {
                TSimData& sim = s.Ready();
                sim.Particles.UpdateMomentum();
                if (sim.Dimensions == 2) return py::float_(sim.Particles.PlanarAngularMomentum);
                if (sim.Dimensions == 3 && sim.Particles.AngularMomentum())
                    return VectorArray(*sim.Particles.AngularMomentum());
                return py::none();
            },
            "About the origin: a number in 2 dimensions, a 3-vector in 3, None otherwise.")
        .def_property_readonly(
            "positions", [](Sim& s) { return s.State(false); }, "Positions, an N x D array (a copy).")
        .def_property_readonly(
            "velocities", [](Sim& s) { return s.State(true); }, "Velocities, an N x D array (a copy).")
        .def_property_readonly(
            "masses", [](Sim& s) { return s.PerParticle([](const TParticle& p) { return p.Mass; }); })
        .def_property_readonly(
            "charges", [](Sim& s) { return s.PerParticle([](const TParticle& p) { return p.Charge(); }); })
        .def_property_readonly(
            "radii", [](Sim& s) { return s.PerParticle([](const TParticle& p) { return p.Radius(); }); })
        .def_property_readonly("names",
                               [](Sim& s) {
                                   py::list names;
                                   const TSimData& sim = s.Sim();
                                   for (int i = 0; i < sim.Particles.Count(); ++i)
                                       names.append(Text(sim.Particles.Particles(i).Name));
                                   return names;
                               })
        .def("__len__", [](Sim& s) { return s.Sim().Particles.Count(); })
        .def_property_readonly("dimensions", [](Sim& s) { return s.Sim().Dimensions; })
        .def_property_readonly("time", [](Sim& s) { return s.Ready().Time; })
        .def_property_readonly(
            "signed_step", [](Sim& s) { return s.Ready().SignedStep; },
            "The step in use, negative while running backwards.")
        .def_property_readonly("file_name", [](Sim& s) { return Text(s.Sim().FileName); })
        .def_property_readonly(
            "units", [](Sim& s) { return UnitSystemName(SetupUnitSystem(s.Sim())); },
            "The setup's unit system: \"SI\" when G is GN (or G is 0 and k is 1/(4*PI*E0)), "
            "otherwise \"dimensionless\".")
        .def_property(
            "notes", [](Sim& s) { return Text(s.Sim().Notes); },
            [](Sim& s, const py::object& notes) { s.Sim().Notes = TextBytes(notes); })
        .def_property(
            "tree",
            [](Sim& s) -> std::optional<double> {
                const double theta = s.Sim().Force->TreeAngle();
                return theta > 0 ? std::optional<double>(theta) : std::nullopt;
            },
            [](Sim& s, std::optional<double> theta) {
                if (theta)
                    s.Sim().Force->SetTreeAngle(*theta);
                else
                    s.Sim().Force->UseExactSum();
            },
            "The force tree's opening angle (above 0, at most 1.5; 0.5 a good start), or None for the\n"
            "exact sum (the default). A run setting, not saved with the setup. With the tree the forces\n"
            "and the potential energy (energies()) are approximate, both from the same tree.")
        .def_property(
            "threads", &Sim::Threads, &Sim::SetThreads,
            "Threads that share a force evaluation, 0 one per core (every count gives the same bits).")
        .def_property(
            "method", [](Sim& s) { return s.Sim().MethodName(); },
            [](Sim& s, const std::string& name) {
                TSimOptionValues values;
                values.Method = MethodNamed(name);
                s.Apply(values);
            },
            MethodDoc.c_str())
        .def_property(
            "time_step", [](Sim& s) { return s.Sim().TimeStep; },
            [](Sim& s, const py::object& v) {
                TSimOptionValues values;
                values.TimeStep = FieldText(v);
                s.Apply(values);
            },
            "The time step (RKF: its first trial step).")
        .def_property(
            "cycles", [](Sim& s) { return s.Sim().Cycles; },
            [](Sim& s, const py::object& v) {
                TSimOptionValues values;
                values.Cycles = FieldText(v);
                s.Apply(values);
            },
            "Computation cycles per displayed step, 1 to 200.")
        .def_property(
            "accuracy", [](Sim& s) { return s.Sim().Accuracy; },
            [](Sim& s, const py::object& v) {
                TSimOptionValues values;
                values.Accuracy = FieldText(v);
                s.Apply(values);
            },
            "The accuracy of RKF, at least 1E-30.")
        .def_property(
            "collisions", [](Sim& s) { return s.Sim().Collisions; },
            [](Sim& s, const py::object& on) {
                TSimOptionValues values;
                values.Collisions = Switch(on);
                s.Apply(values);
            },
            "Whether a collision of two particles stops the run (kinetra.Error).")
        .def_property(
            "gravitational_constant", [](Sim& s) { return s.Sim().Force->GravConstant(); },
            [](Sim& s, const py::object& v) {
                TSimOptionValues values;
                values.GravConstant = FieldText(v);
                s.Apply(values);
            })
        .def_property(
            "coulomb_coefficient", [](Sim& s) { return s.Sim().Force->CoulombCoeff(); },
            [](Sim& s, const py::object& v) {
                TSimOptionValues values;
                values.CoulombCoeff = FieldText(v);
                s.Apply(values);
            })
        .def_property(
            "power", [](Sim& s) { return s.Sim().Force->GetPower(); },
            [](Sim& s, const py::object& v) {
                TSimOptionValues values;
                values.Power = FieldText(v);
                s.Apply(values);
            },
            "The power of distance in the force law (-2: Newton and Coulomb).")
        .def_property(
            "scale", [](Sim& s) { return s.Frame().Scale(); },
            [](Sim& s, const py::object& v) { s.Frame().SetScale(FieldValue(v)); },
            "The window's scale in pixels per unit length, saved with the setup.")
        .def("__repr__", [](Sim& s) {
            const TSimData& sim = s.Sim();
            return Text("<kinetra.Simulation " +
                            (sim.FileName.empty() ? std::string() : "'" + sim.FileName + "', ") +
                            std::to_string(sim.Particles.Count()) + " particles in " +
                            std::to_string(sim.Dimensions) + " dimensions, " + sim.MethodName() +
                            ", t = " + FormatGeneral(sim.Time, 15) + ">",
                        "backslashreplace");
        });
}
