#include "app/system_facts.h"

// FIXME: read these through the environment probes once they are in utils/.
SystemFacts ReadSystemFacts() { return SystemFacts{}; }
