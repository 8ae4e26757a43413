// Mapping between the timer's priority names and thread priority values.
#include "banner/timer_priority.h"

namespace talkpost {
namespace {
constexpr int kValues[] = {-15, -2, -1, 0, 1, 2, 15};
}

int threadPriorityValue(TimerPriority priority)
{
    int index = static_cast<int>(priority);
    return index >= 0 && index < 7 ? kValues[index] : 0;
}

TimerPriority timerPriorityFromValue(int value)
{
    for (int i = 0; i < 7; ++i)
        if (kValues[i] == value)
            return static_cast<TimerPriority>(i);
    return TimerPriority::Normal;
}

}  // namespace talkpost
