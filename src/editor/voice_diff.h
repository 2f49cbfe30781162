#pragma once
// The voice difference lives in voice/, where the library window reaches
// it too; this name stays for the command line's diff, which includes it.
#include "voice/voice_diff.h"
