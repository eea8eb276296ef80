#pragma once

// Puts the calling thread at a low real-time priority, where the system grants it (a
// real-time limit for the user, as audio groups commonly have, or privileges): a thread
// that carries sound a few milliseconds at a time must not wait behind other programs'
// work. Below the sound servers' own threads; children never inherit it. False where
// the system does not grant it: the thread runs on as it was.
bool RaiseToRealtime();
