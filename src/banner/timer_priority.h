// The worker timer's priority names and the thread priorities they stand for. Portable.
#pragma once

namespace talkpost {

enum class TimerPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// -15, -2, -1, 0, 1, 2, 15 in the order above.
int threadPriorityValue(TimerPriority priority);
// The reverse; any other value reads as Normal.
TimerPriority timerPriorityFromValue(int value);

}  // namespace talkpost
