// The quit signals' handlers go back to what they were when a test is over, so the test program
// can still be stopped the usual way.
#pragma once

#include <csignal>

class SavedSignalHandlers
{
public:
    SavedSignalHandlers()
    {
        for (int i = 0; i < 3; ++i)
            sigaction(kSignals[i], nullptr, &m_saved[i]);
    }
    ~SavedSignalHandlers()
    {
        for (int i = 0; i < 3; ++i)
            sigaction(kSignals[i], &m_saved[i], nullptr);
    }
    SavedSignalHandlers(const SavedSignalHandlers &) = delete;
    SavedSignalHandlers &operator=(const SavedSignalHandlers &) = delete;

private:
    static constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction m_saved[3] = {};
};
