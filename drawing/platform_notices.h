#pragma once

// Keeps the platform's notices that say nothing about the user's work off standard error: Qt says it
// made up a runtime folder when XDG_RUNTIME_DIR is not set (a batch job, a container, ssh), and a
// script that treats any line on stderr as a failure would stop on it. Every other Qt message passes
// to Qt's own handler. Called once, before the application object exists.
void keepPlatformNoticesOffStderr();
