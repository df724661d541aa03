// The fuzz entry points. Every path catches the program's own errors (EKinetraError and its
// kinds) and checks their messages; anything else that escapes is itself the finding.
#include "tests/fuzz/FuzzTargets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <typeinfo>

#include "base/KNUtils.h"
#include "engine/SetupFile.h"
#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "parser/Parser.h"

namespace kinetra::fuzz {

namespace {

constexpr std::array<std::string_view, 8> LibraryTexts = {
    "stoi", "stod", "basic_string", "std::", "vector", "out_of_range", "invalid_argument", "bad_alloc"};

// Runs `body`; an exception that is not the program's own becomes the finding.
template <typename Body>
std::string Guarded(Body body) {
    try {
        return body();
    } catch (const EKinetraError& e) {
        return std::string("an error escaped the entry point: ") + e.what();
    } catch (const std::exception& e) {
        return std::string("unexpected exception ") + typeid(e).name() + ": " + e.what();
    } catch (...) {
        return "unexpected exception of an unknown type";
    }
}

// The simulation with a screen frame hooked in, as the main window opens a setup.
struct TFuzzSetup {
    TFramedSim Framed;
    TSimData& Sim = Framed.Sim();
    TScreenFrame& Frame = Framed.Frame();
    std::string Save() {
        std::ostringstream out;
        Sim.SaveToStream(out);
        return out.str();
    }
};

std::string FirstDifference(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return "at byte " + std::to_string(i) + " of " + std::to_string(a.size()) + " and " +
           std::to_string(b.size());
}

// What a loaded setup must satisfy whatever the file said.
std::string CheckLoaded(TFuzzSetup& s) {
    const TSimData& sim = s.Sim;
    if (sim.Dimensions < 1 || sim.Dimensions > MaxDimensions)
        return "loaded with N = " + std::to_string(sim.Dimensions);
    if (sim.Particles.Dimensions() != sim.Dimensions) return "the particles have another N than the setup";
    for (int i = 0; i < sim.Particles.Count(); ++i) {
        const TParticle& p = sim.Particles.Particles(i);
        if (p.InitialPosition.Count() != sim.Dimensions || p.InitialVelocity.Count() != sim.Dimensions)
            return "particle " + std::to_string(i) + " has vectors of another size";
    }
    if (s.Frame.XDim() < 0 || s.Frame.XDim() >= sim.Dimensions || s.Frame.YDim() < 0 ||
        s.Frame.YDim() >= sim.Dimensions)
        return "the frame shows a dimension the setup does not have";
    if (s.Frame.OwnOrigin().Count() != sim.Dimensions) return "the frame's origin has another size";
    return {};
}

// A saved setup loads back and saves to the same bytes.
std::string CheckRoundTrip(const std::string& saved) {
    // Reading stops at the end of the file, so a line end (or CR) that ends the notes is
    // lost at each load: a round trip may shorten the file's end by such characters, and
    // nothing else; it comes to rest after one round per line end.
    std::string previous = saved;
    for (;;) {
        TFuzzSetup second;
        try {
            std::istringstream in(previous);
            second.Sim.LoadFromStream(in);
        } catch (const EKinetraError& e) {
            return std::string("the saved setup does not load back: ") + e.what();
        }
        const std::string again = second.Save();
        if (again == previous) return {};
        const bool onlyLineEndsLost = again.size() < previous.size() &&
                                      previous.compare(0, again.size(), again) == 0 &&
                                      previous.find_first_not_of("\r\n", again.size()) == std::string::npos;
        if (!onlyLineEndsLost)
            return "saving the reloaded setup gives other bytes " + FirstDifference(previous, again);
        previous = again;
    }
}

// The options of a run, from the lines after the marker line "#run".
struct TRunOptions {
    TSimOptionValues Values;
    bool Backwards = false;
    int Steps = 1;
    int Threads = 1;
};

constexpr std::string_view RunMarker = "\n#run";

// One option a line, as kinetra-batch takes it ("--dt 0.001", "--backwards"); a line that is
// no option is skipped. At most three steps and four threads, so that an input stays quick.
TRunOptions ReadRunOptions(std::string_view text) {
    TRunOptions options;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t space = line.find(' ');
        const std::string name = line.substr(0, space);
        const std::string value = space == std::string::npos ? std::string() : line.substr(space + 1);
        const auto count = [&](int most) {
            int n = 0;
            for (const char c : value.substr(0, 3))
                if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
            return std::clamp(n, 1, most);
        };
        if (name == "--method") {
            if (const std::optional<TNumMethod> method = MethodFromName(value))
                options.Values.Method = *method;
        } else if (name == "--accuracy") {
            options.Values.Accuracy = value;
        } else if (name == "--dt") {
            options.Values.TimeStep = value;
        } else if (name == "--cycles") {
            options.Values.Cycles = value;
        } else if (name == "--collisions" || name == "--no-collisions") {
            options.Values.Collisions = name == "--collisions";
        } else if (name == "--backwards") {
            options.Backwards = true;
        } else if (name == "--steps") {
            options.Steps = count(3);
        } else if (name == "--threads") {
            options.Threads = count(4);
        }
    }
    return options;
}

// What kinetra-batch run does with a loaded setup: the options through the dialog's setters,
// then Stop (Rewind and Prepare), the direction, and the steps. Every error must be one of the
// program's own with a message fit to show; a step that completes leaves a finite time and a
// finite, non-zero step, and the first one moves the time away from 0.
std::string Run(TSimData& sim, const TRunOptions& options, std::string_view input) {
    sim.Force->SetThreads(options.Threads);
    sim.Particles.OnCollision = [](int, int) {};
    try {
        TParser parser;
        ApplySimOptions(sim, parser, options.Values);
        sim.Rewind();
        sim.Prepare();
        if (options.Backwards) sim.Reverse();
        sim.InfoWanted = true;
        for (int step = 0; step < options.Steps; ++step) {
            const double before = sim.Time;
            sim.Step();
            if (!std::isfinite(sim.Time)) return "a step ended at a non-finite time";
            if (!std::isfinite(sim.SignedStep) || sim.SignedStep == 0)
                return "a step left the step " + FormatRoundTrip(sim.SignedStep);
            if (before == 0 && sim.Time == 0) return "the first step left the time at 0";
        }
    } catch (const EKinetraError& e) {
        return CheckMessage(e.what(), input);
    }
    return {};
}

}  // namespace

std::string CheckMessage(std::string_view message, std::string_view input) {
    if (message.empty()) return "an error without a message";
    for (const std::string_view text : LibraryTexts)
        if (message.find(text) != std::string_view::npos && input.find(text) == std::string_view::npos)
            return "a library-internal text reaches the user: " + std::string(message);
    return {};
}

std::string FuzzSetupFile(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t marker = bytes.find(RunMarker);
    const std::string input = bytes.substr(0, marker);
    const TRunOptions options = ReadRunOptions(
        marker == std::string::npos ? std::string_view()
                                    : std::string_view(bytes).substr(marker + RunMarker.size()));
    return Guarded([&]() -> std::string {
        TFuzzSetup first;
        try {
            std::istringstream in(input);
            first.Sim.LoadFromStream(in);
        } catch (const EKinetraError& e) {
            return CheckMessage(e.what(), input);
        }
        if (std::string wrong = CheckLoaded(first); !wrong.empty()) return wrong;
        // What the window shows right after Open: every particle projected onto the drawing area.
        first.Frame.SetClientSize(640, 480);
        for (int i = 0; i < first.Sim.Particles.Count(); ++i)
            first.Frame.WorldToScreen(first.Sim.Particles.Particles(i).Position);

        const std::string saved = first.Save();
        // A setup whose 15-digit numbers would not load back (particles that touch within the
        // last digits) is refused by Save with a message; the old file stays.
        try {
            CheckSetupLoadsBack(saved);
        } catch (const EKinetraError& e) {
            if (std::string wrong = CheckMessage(e.what(), input); !wrong.empty()) return wrong;
            return Run(first.Sim, options, bytes);
        }
        if (std::string wrong = CheckRoundTrip(saved); !wrong.empty()) return wrong;
        return Run(first.Sim, options, bytes);
    });
}

std::string FuzzParser(const std::uint8_t* data, std::size_t size) {
    // One parser for many inputs, so that names defined by one input are used by later ones; a
    // fresh one now and then keeps the name table from growing without end over a long run.
    static std::unique_ptr<TParser> parser;
    static unsigned long inputs = 0;
    if (!parser || ++inputs % 100000 == 0) parser = std::make_unique<TParser>();

    const std::string input(reinterpret_cast<const char*>(data), size);
    return Guarded([&]() -> std::string {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = input.find('\n', start);
            const std::string text =
                input.substr(start, end == std::string::npos ? std::string::npos : end - start);
            try {
                const double value = parser->Evaluate(text);
                if (!std::isfinite(value)) return "a non-finite value for " + text;
            } catch (const EKinetraError& e) {
                if (std::string wrong = CheckMessage(e.what(), text); !wrong.empty()) return wrong;
            }
            if (end == std::string::npos) return {};
            start = end + 1;
        }
    });
}

std::string FuzzVector(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    return Guarded([&]() -> std::string {
        for (const int count : {0, 1, 2, 3, 7, 26}) {
            TVector v(count);
            try {
                v.FromString(input);
            } catch (const EKinetraError& e) {
                if (std::string wrong = CheckMessage(e.what(), input); !wrong.empty()) return wrong;
                continue;
            }
            for (int i = 0; i < count; ++i)
                if (!std::isfinite(v[i])) return "a non-finite component from " + input;
            const std::string text = v.ToString();
            TVector back(count);
            try {
                back.FromString(text);
            } catch (const EKinetraError& e) {
                return "the written text '" + text + "' does not read back: " + e.what();
            }
            if (back.ToString() != text) return "'" + text + "' reads back as '" + back.ToString() + "'";
        }
        return {};
    });
}

}  // namespace kinetra::fuzz
