#ifndef CORVALE_RESOURCES_H
#define CORVALE_RESOURCES_H

// The image collection is compiled into a static library; referencing it here keeps the linker
// from dropping it. Safe to call more than once.
void initCorvaleResources();

#endif
