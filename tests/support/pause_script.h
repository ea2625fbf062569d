// Acting "while" an operation waits: steps run at chosen pauses of the
// virtual clock, for example input queued in the middle of a write.
#ifndef PAUSE_SCRIPT_H
#define PAUSE_SCRIPT_H

#include "platform/clock/PlatformClock.h"

#include <functional>
#include <map>

// Runs a step at a given pause of the running command (0 first).
struct PauseScript {
    std::map<int, std::function<void()>> steps;
    int s32Pause = 0;

    void vInstall()
    {
        s32Pause = 0;
        vClockSetPauseHook(
            [](uint32_t, void *pvContext) {
                auto *pScript = static_cast<PauseScript *>(pvContext);
                auto step = pScript->steps.find(pScript->s32Pause++);
                if (step != pScript->steps.end())
                    step->second();
            },
            this);
    }
};

#endif
