#pragma once
// The usage reports of a silent installation: the events the window sends, at the same moments.

#include "app/silent_install.h"

// An observer that reports the funnel of one silent installation with the settings' A/B group.
SilentInstallObserver MakeSilentFunnelObserver();
