#pragma once

// Settings the web engine needs before its first profile exists: its sandbox off when the
// program runs as root, no background network traffic of its own, and a way to draw pages.
// Called when the web plugin is loaded, long after the application object was made.
void prepareWebEngine();
