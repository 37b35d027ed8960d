// The processor count and the wall clock, used to size the worker pools and to time phases.
#pragma once

// Number of online processors (at least 1 when the system cannot tell).
int GetNumberOfCores();
// Seconds since the epoch: the time of day's seconds plus its microseconds / 1e6.
double GetWallClock();
