#include "platform/linux/pacing/timer_slack.h"

#include <sys/prctl.h>

namespace talo {

void requestFineTimerSlack() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

}  // namespace talo
