// Replaces the global operator new of the test executable with one that
// counts the allocations of each thread, so that tests can check that a
// routine allocates nothing.
#include "tables/expr/expr_alloccount.h"

#include <cstdlib>
#include <new>

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
thread_local long allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace kor2::test {

long AllocationCount() { return allocations; }

}  // namespace kor2::test
