#pragma once

// 1 when nobody can see or answer a window of this run, and the log says why: the
// window station has no screen (a service, SYSTEM's session), or the run is in
// session 0 while the console is in another (nobody sees session 0 since Vista).
// WinPE's console is session 0, and there a person does.
int RunIsUnattended();
