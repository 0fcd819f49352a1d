// The one gate every write to a serial control passes. While an operation owns the link to the
// radio, a write goes through only from the operation's own code: not from a handler that ran
// while the operation waited for the radio (a key in the terminal, a click, a timer tick), and not
// from the operation itself once a way out (Disconnect, Exit, a signal, a lost device) ended it.
//
// Whose code is running is told by the depth of the event rounds: a handler called from inside a
// wait of Clock, or from inside a box or window of the dialog seam, runs one round deeper than the
// code that waits or opened the window.
#pragma once

#include <functional>

namespace LinkGate {

// How many event rounds (Clock's waits, the dialog seam's windows) are running, one inside the other.
int pumpDepth();

// Marks one event round (Clock's waits and the dialog seam's windows use it).
class PumpScope
{
public:
    PumpScope();
    ~PumpScope();
    PumpScope(const PumpScope &) = delete;
    PumpScope &operator=(const PumpScope &) = delete;
};

// Takes the link for an operation. Refused (0) while another operation owns it and the caller is
// not that operation's own code; an owner may take it again (a preset save runs the report
// writer). Returns the ticket to give back.
int acquire();
void release(int ticket);

// A window that holds the link for as long as it is open runs its code from events (its timers,
// its menus and buttons), at whatever depth those come: each of its handlers marks itself as the
// holder's own code while it runs.
class OwnerCode
{
public:
    explicit OwnerCode(int ticket);
    ~OwnerCode();
    OwnerCode(const OwnerCode &) = delete;
    OwnerCode &operator=(const OwnerCode &) = delete;

private:
    int m_ticket;
    int m_savedDepth = -1;
};

// Some operation holds the link (a running one, or one that was ended and is still unwinding).
bool owned();
// A user action must not start now: an operation holds the link and this is not its own code.
bool busy();
// Whether a write may reach the port now.
bool writePermitted();

// Ends every operation holding the link: from here on their writes are refused, and they stop at
// their next step without a message of their own.
void endOperations();
// The operation this code belongs to (the innermost holder) was ended.
bool operationEnded();

// The way out (Disconnect, Exit, a signal, a lost device) ends the operations and then holds the
// link itself for its own last words (CLOS, DKEY, eeco, PASS NONE): they go out from its own code
// and whatever it calls, not from a handler that runs while it waits.
class WayOut
{
public:
    WayOut();
    ~WayOut();
    WayOut(const WayOut &) = delete;
    WayOut &operator=(const WayOut &) = delete;

private:
    int m_ticket;
};
// A way out is running (a second one is not started inside it).
bool wayOutRunning();

// Called whenever the last holder gives the link back (the dialog seam asks then what it held).
void setFreedHook(std::function<void()> hook);

// Back to no owners (tests).
void reset();

} // namespace LinkGate
