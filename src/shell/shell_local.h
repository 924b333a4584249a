// Shared between the shell's own files only.
#pragma once

// Forget the window's pixel format and held objects (a fresh run).
void resetWindowState();
