#pragma once

// The update's flags (newdev.h), for the call and for the log that tells what was passed.
static const unsigned long INSTALLFLAG_FORCE = 1;
static const unsigned long INSTALLFLAG_NONINTERACTIVE = 4;  // fail where the update would show a window
