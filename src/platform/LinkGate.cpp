#include "platform/LinkGate.h"

#include <QLoggingCategory>

#include <algorithm>
#include <vector>

Q_LOGGING_CATEGORY(lcGate, "wavecrest.link", QtWarningMsg)

namespace {

struct Holder
{
    int ticket;
    int depth;     // the event-round depth of the code that took the link
    bool ended;
    bool wayOut;   // a way out's own last words (WayOut)
};

int g_depth = 0;
int g_nextTicket = 1;
std::vector<Holder> g_holders;
std::function<void()> g_freed;

// The holder's own code is running: the innermost holder took the link at this depth (the holders
// below it are the operations that called it) and is live. Holders that a way out ended count no
// more while the way out runs; any other ended holder keeps the link closed.
bool holdersOwnCode()
{
    if (g_holders.empty())
        return false;
    const auto lastWayOut = std::find_if(g_holders.rbegin(), g_holders.rend(), [](const Holder &h) { return h.wayOut; });
    const auto aboveWayOut = lastWayOut.base();   // the holders after the last way out (all when none)
    const bool anyEnded = std::any_of(lastWayOut == g_holders.rend() ? g_holders.begin() : aboveWayOut,
                                      g_holders.end(), [](const Holder &h) { return h.ended; });
    const Holder &top = g_holders.back();
    return !anyEnded && !top.ended && top.depth == g_depth;
}

Holder *holder(int ticket)
{
    const auto it = std::find_if(g_holders.begin(), g_holders.end(), [ticket](const Holder &h) { return h.ticket == ticket; });
    return it == g_holders.end() ? nullptr : &*it;
}

int push(bool wayOut)
{
    const int ticket = g_nextTicket++;
    g_holders.push_back({ticket, g_depth, false, wayOut});
    return ticket;
}

} // namespace

namespace LinkGate {

int pumpDepth()
{
    return g_depth;
}

PumpScope::PumpScope()
{
    ++g_depth;
}

PumpScope::~PumpScope()
{
    --g_depth;
}

int acquire()
{
    if (!g_holders.empty() && !holdersOwnCode()) {
        qCDebug(lcGate) << "link refused: held by another operation";
        return 0;
    }
    return push(false);
}

void release(int ticket)
{
    if (ticket == 0)
        return;
    const auto it = std::find_if(g_holders.begin(), g_holders.end(), [ticket](const Holder &h) { return h.ticket == ticket; });
    if (it == g_holders.end())
        return;
    g_holders.erase(it);
    if (g_holders.empty() && g_freed)
        g_freed();
}

OwnerCode::OwnerCode(int ticket) : m_ticket(ticket)
{
    if (Holder *h = holder(ticket)) {
        m_savedDepth = h->depth;
        h->depth = g_depth;
    }
}

OwnerCode::~OwnerCode()
{
    if (Holder *h = holder(m_ticket); h && m_savedDepth >= 0)
        h->depth = m_savedDepth;
}

bool owned()
{
    return !g_holders.empty();
}

bool busy()
{
    return !g_holders.empty() && !holdersOwnCode();
}

bool writePermitted()
{
    return g_holders.empty() || holdersOwnCode();
}

void endOperations()
{
    for (Holder &h : g_holders)
        h.ended = true;
}

bool operationEnded()
{
    return !g_holders.empty() && g_holders.back().ended;
}

bool wayOutRunning()
{
    return std::any_of(g_holders.begin(), g_holders.end(), [](const Holder &h) { return h.wayOut && !h.ended; });
}

WayOut::WayOut()
{
    endOperations();
    m_ticket = push(true);
}

WayOut::~WayOut()
{
    release(m_ticket);
}

void setFreedHook(std::function<void()> hook)
{
    g_freed = std::move(hook);
}

void reset()
{
    g_holders.clear();
}

} // namespace LinkGate
