// What a serial driver holds for sending (TIOCOUTQ), as the serial control reads it; tests put a
// line of their own in its place.
#pragma once

class OutputQueueSource
{
public:
    virtual ~OutputQueueSource() = default;
    // Bytes queued; -1 where the driver cannot say.
    virtual int queued() = 0;
};
