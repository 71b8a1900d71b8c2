#pragma once

// Runs that share one log take turns through an exclusive lock on one byte
// far past the end of any log (8 EiB less 4 GiB), so that readers of the file
// are never blocked.
static const unsigned long LOG_LOCK_OFFSET_LOW = 0;
static const unsigned long LOG_LOCK_OFFSET_HIGH = 0x7FFFFFFFUL;
// How long one run waits for the lock in all before it writes without it.
static const unsigned long LOG_LOCK_WAIT_MS = 1000;
static const unsigned long LOG_LOCK_POLL_MS = 10;
