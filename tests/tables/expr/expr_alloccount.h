// Heap allocation counter of the expression tests: the test executable's
// operator new counts every allocation of the calling thread.
#pragma once

namespace kor2::test {

long AllocationCount();

}  // namespace kor2::test
