// Allocation counting for unit tests. Linking pendula_test_support into a test binary replaces
// the global operator new and delete (every usual overload: plain, array, nothrow, aligned,
// sized) with versions that count each allocation and then use malloc/free, so a test can assert
// that a call allocates nothing:
//
//   const long long before = pendula::testing::AllocationCount();
//   ForwardDynamics(p, q, pdot, qdot);
//   EXPECT_EQ(pendula::testing::AllocationCount(), before);
#pragma once

namespace pendula {
namespace testing {

// Calls of any global operator new (successful or not) since the process started.
long long AllocationCount();

// Calls of any global operator delete with a non-null pointer since the process started.
long long DeallocationCount();

}  // namespace testing
}  // namespace pendula
