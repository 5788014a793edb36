#pragma once

namespace livehelp {

// One Live Help window per executable on the machine: true when this process holds the lock of
// its executable (taking it now when it is free or its holder has died), false while another
// running copy of the same executable holds it. The lock is kept until the process ends.
bool claimLiveHelpInstance();

} // namespace livehelp
