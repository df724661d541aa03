// The unit system of a simulation's setup, read off its force law (base/Units.h).
#pragma once

#include "base/Units.h"
#include "engine/SimulationData.h"

namespace kinetra {

inline TUnitSystem SetupUnitSystem(const TSimData& sim, TUnitChoice choice = TUnitChoice::Automatic) {
    if (!sim.Force)
        return choice == TUnitChoice::Automatic ? TUnitSystem::None : ChosenUnitSystem(choice, 0, 0);
    return ChosenUnitSystem(choice, sim.Force->GravConstant(), sim.Force->CoulombCoeff());
}

}  // namespace kinetra
