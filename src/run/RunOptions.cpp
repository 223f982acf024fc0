// The run's options, shared by the options menu's check marks and the start of every run.
#include "run/RunOptions.h"

RunOptionSwitches RunOptions;
