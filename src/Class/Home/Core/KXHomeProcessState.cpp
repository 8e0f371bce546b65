#include "Class/Home/Core/KXHomeProcessState.h"

KXHomeProcessState& KXHomeProcessState::shared()
{
    static KXHomeProcessState state;
    return state;
}

void KXHomeProcessState::reset()
{
    shared() = KXHomeProcessState{};
}
