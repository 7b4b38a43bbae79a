#pragma once
// A load reads the release's files and builds their keys table after table,
// freeing each before the next: the C library hands every large block back
// to the system as it is freed, and the next one costs a page fault per
// page again (some 7,000 faults, a twentieth of a first load's time). While
// a load runs, what it frees stays in the process for the next table; when
// the last load running ends, what is left over goes back to the system.

namespace korvane {

class LoadHeap {
public:
    LoadHeap();
    ~LoadHeap();
    LoadHeap(const LoadHeap&) = delete;
    LoadHeap& operator=(const LoadHeap&) = delete;
};

} // namespace korvane
