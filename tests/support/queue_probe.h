// Reads the command ring as a list of waiting command numbers.
#ifndef QUEUE_PROBE_H
#define QUEUE_PROBE_H

#include "app/cmd_queue.h"

#include <vector>

inline std::vector<int> lstWaitingCommands()
{
    std::vector<int> commands;
    for (int32_t i = gs32_CmdQueueRead; i != gs32_CmdQueueWrite; i = (i + 1) & CMD_QUEUE_MASK)
        commands.push_back(gst_CmdQueue[i].s32CmdId);
    return commands;
}

#endif
