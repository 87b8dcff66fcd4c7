// The mixing state read from the world, without a device.
#include "cab/sound/SoundMix.h"

#include <gtest/gtest.h>
