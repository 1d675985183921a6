// heap.h: the one place where kxrsa takes memory from the process heap.
//
// Word arrays (BigNum) and byte buffers (the PKCS layer) come from here, so a
// test build can make the N-th allocation fail and can check that every word
// array comes back cleared (and every working area of secret bytes ends so). The shipped library is built from heap.cpp
// without KX_HEAP_TESTING and has no such switch.
#ifndef KXRSA_BIGNUM_HEAP_H
#define KXRSA_BIGNUM_HEAP_H

#include <cstddef>
#include <cstdint>

// HeapAllocateWords: `count` zeroed 32-bit words, or null when the heap is out.
uint32_t* HeapAllocateWords(uint32_t count);
// HeapReleaseWords: return words obtained above (null is passed through).
//   The caller has already cleared them; a test build counts arrays that are not.
void HeapReleaseWords(uint32_t* words, uint32_t count);

// HeapReleaseArea: the end of a working area of ours that held secret bytes
//   (SecretArea), after it was cleared. Nothing happens in the shipped
//   library; a test build counts an area with a non-zero byte.
void HeapReleaseArea(const void* area, size_t size);

// HeapAllocateBytes: `size` bytes (size 0 gives a valid pointer), or null.
uint8_t* HeapAllocateBytes(size_t size);
// HeapReleaseBytes: return bytes obtained above (null is passed through).
void HeapReleaseBytes(uint8_t* bytes);

#ifdef KX_HEAP_TESTING
// Test-build controls. Allocation number n (1-based, counted since the last
// HeapTestReset) fails when n == failAt; 0 means never.
void HeapTestReset(uint64_t failAt);
uint64_t HeapTestAllocations();       // allocations attempted since the reset
int64_t HeapTestLive();               // allocations not yet released
uint64_t HeapTestUnclearedReleases(); // word arrays and areas released with a non-zero byte
#endif

#endif  // KXRSA_BIGNUM_HEAP_H
