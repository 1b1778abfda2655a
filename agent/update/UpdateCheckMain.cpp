// SPDX-License-Identifier: GPL-3.0-or-later
// earlume-update-check: the agent's update check runs this for each check and reads its answer, so that the
// network stack and TLS live and die in this short process instead of staying in the agent.
#include "VersionFetch.h"

int main(int argc, char *argv[])
{
    return runVersionFetch(argc, argv);
}
