// Memory management: the program's own allocation entry point. Exhausted memory raises the
// one EOutOfMemory made in advance, and a block it does not hold the one EInvalidPointer;
// before the failure machinery is ready, either ends the run with its run-time error.
#ifndef FWPEEK_MAIN_MEMORY_H_
#define FWPEEK_MAIN_MEMORY_H_

// A seam for the tests: how many more allocations may succeed; negative means no limit.
extern long AllocationsLeft;

#endif  // FWPEEK_MAIN_MEMORY_H_
