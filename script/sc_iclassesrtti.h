// Script bindings of the base classes: objects, persistent objects, collections, lists, string
// lists, streams, components and the engine's XML document classes.
#pragma once

// Registers the classes, constants and enumerations in the global script (once; later calls do
// nothing). The other binding units register their classes as descendants of these.
void scStartClassesRTTI();
// Removes them again (before the engine shuts down; nothing once it has).
void scStopClassesRTTI();
