#include "state/mdlGenel.h"

namespace mdlGenel {

ModuleState State;

void ResetState() {
    State = ModuleState{};
}

} // namespace mdlGenel
