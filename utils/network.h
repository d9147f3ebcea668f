#pragma once
// The installer's network probe.

namespace Utils {

// verdict * 65536 + the NLM_CONNECTIVITY flags. Verdict 0: connected to the internet, or the
// system could not be asked (the flags are then 0 too, and the result is 0); 1: the flags are 0,
// no connectivity at all; 2: some connectivity, but not to the internet.
int CheckNetwork();

}  // namespace Utils
