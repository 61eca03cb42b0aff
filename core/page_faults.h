#pragma once

#include <cstddef>

namespace clickwisp {

// Faults in the pages of a fresh array of a megabyte or more with one system
// call, instead of one page fault per 4 KB page on first touch (each costs
// microseconds on a virtual machine; a full HD screen has 1500 pages), in
// huge pages where the system allows them. Does nothing where the system
// cannot; the pages then fault in as touched.
void FaultInPages(void* data, size_t bytes);

} // namespace clickwisp
