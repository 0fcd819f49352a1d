// The CPU time this process has used, for tests that check a wait does not spin.
#pragma once

#include <ctime>
#include <pthread.h>

inline double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The CPU time the calling thread has used.
inline double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The CPU clock of the calling thread, for reading that thread's time from another one.
inline clockid_t currentThreadCpuClock()
{
    clockid_t id{};
    pthread_getcpuclockid(pthread_self(), &id);
    return id;
}

inline double cpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
