#pragma once

// Settings the web engine needs before the application object exists: its sandbox off when the
// program runs as root, no background network traffic of its own, and shared GL contexts.
// The engine itself starts only when a web view first loads a page.
void prepareWebEngine();
