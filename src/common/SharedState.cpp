#include "common/SharedState.h"
#include "platform/LinkGate.h"

namespace {
SharedState g_state;
}

SharedState &shared()
{
    return g_state;
}

void resetShared()
{
    g_state = SharedState{};
    LinkGate::reset();
}
