// Compiled once per probe, through one target, with PROBE_HEADER naming the
// header the probe tries to include.
#include PROBE_HEADER
